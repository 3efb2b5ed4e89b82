// The code page conversions on random bytes: never fail, and text that came from
// code page 932 goes back to the same bytes when it holds no '?' of ours.
#include <cstdlib>

#include "FuzzInput.h"
#include "platform/CodePage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string utf8 = platform::FromAnsi(bytes);
  const std::string ansi = platform::ToAnsi(utf8);
  if (platform::FromAnsi(ansi) != utf8) std::abort();
  platform::ToAnsi(bytes);
  const std::string fromUtf16 = platform::Utf16LeToUtf8(bytes);
  if (platform::CountCharacters(fromUtf16) > bytes.size()) std::abort();
  platform::Utf8ToUtf16(bytes);
  return 0;
}
