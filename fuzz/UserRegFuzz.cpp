// Random user.reg text, with a key and a value looked up in it: the parser never
// reads out of bounds, and whatever it finds is a key it can look up again.
#include <cstdlib>

#include "FuzzInput.h"
#include "platform/CodePage.h"
#include "platform/posix/UserReg.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const std::u16string key = platform::Utf8ToUtf16(input.Take());
  const std::u16string name = platform::Utf8ToUtf16(input.Take());
  const std::string_view body = input.Rest();
  // Most inputs get the header, so that the fuzzer spends its time past it.
  const std::string text = (size % 8 == 0 ? std::string() : std::string("WINE REGISTRY Version 2\n")) + std::string(body);

  platform::posix::UserReg hive(text);
  for (const std::u16string_view path : {std::u16string_view(key), std::u16string_view(u"Software\\Orvane")}) {
    if (const auto id = hive.FindKey(path)) {
      if (hive.FindKey(path) != id) std::abort();
      if (const auto* value = hive.FindValue(*id, name)) {
        if (value != hive.FindValue(*id, name)) std::abort();
        platform::Utf16LeToUtf8(value->data);
      }
      hive.FindValue(*id, u"");
    }
  }
  return 0;
}
