// Every lookup on random INI text: no crash, the index and the plain search
// agree, and every answer is one the
// service could give (the value's own bytes; a cut copy never ends inside a
// double-byte character).
#include <cstdlib>

#include "FuzzInput.h"
#include "platform/CodePage.h"
#include "platform/emulation/IniText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const std::string_view section = input.Take();
  const std::string_view key = input.Take();
  const std::string_view text = input.Rest();
  const auto value = platform::ini::FindValue(text, section, key);
  // The index that serves repeated lookups answers exactly as the plain search,
  // for the section it reads first and then from what it kept of it, and for
  // another section after that.
  platform::ini::IniIndex index(text);
  if (index.Find(section, key) != value) std::abort();
  if (index.Find(section, section) != platform::ini::FindValue(text, section, section)) std::abort();
  if (index.Find(key, section) != platform::ini::FindValue(text, key, section)) std::abort();
  // So does it for the UTF-8 text of a Unicode file, where no byte is a lead byte.
  const auto utf8Value = platform::ini::FindValue(text, section, key, platform::ini::Encoding::Utf8);
  if (platform::ini::IniIndex(text, platform::ini::Encoding::Utf8).Find(section, key) != utf8Value) std::abort();
  if (value) {
    char buffer[64];
    const std::size_t copied = platform::ini::CopyCut(*value, buffer, sizeof buffer);
    if (copied >= sizeof buffer || buffer[copied] != '\0') std::abort();
    if (copied > value->size() || std::string_view(buffer, copied) != value->substr(0, copied)) std::abort();
    if (value->size() >= sizeof buffer) {
      // A cut value: it must not end inside a double-byte character.
      std::size_t i = 0;
      while (i < copied) i += platform::IsAnsiLeadByte(static_cast<unsigned char>(buffer[i])) ? 2 : 1;
      if (i != copied) std::abort();
    }
  }
  platform::ini::CleanDefault(section);
  return 0;
}
