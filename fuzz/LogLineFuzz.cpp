// The log line layout for any date, time and message: the message always starts
// at the beginning of a print zone after the time, and is kept whole.
#include <cstdlib>

#include "FuzzInput.h"
#include "log/mdlLogFile.h"
#include "platform/CodePage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const std::string date(input.Take());
  const std::string time(input.Take());
  const std::string message(input.Rest());
  const std::string line = mdlLogFile::FormatLine({date, time}, message);
  if (line.size() < message.size() || line.compare(line.size() - message.size(), message.size(), message) != 0) {
    std::abort();
  }
  const std::size_t column = platform::CountCharacters(line.substr(0, line.size() - message.size()));
  if (column % 14 != 0 || column < 28) std::abort();
  return 0;
}
