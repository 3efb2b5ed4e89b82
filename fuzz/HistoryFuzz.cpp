// The history file as any bytes: what reads as a history writes back as text that
// reads as the same history, and thinning it on any day keeps it one.
#include <cstdlib>

#include "FuzzInput.h"
#include "check/History.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const std::string text(input.Rest());
  auto read = history::Parse(text);
  if (!read) return 0;
  const std::string written = history::Format(*read);
  const auto again = history::Parse(written);
  if (!again || history::Format(*again) != written) std::abort();
  history::Thin(*read, history::DayOf({2026, 12, 10}));
  if (!history::Parse(history::Format(*read))) std::abort();
  return 0;
}
