// Random user.reg text, with a key and a value looked up in it: the parser never
// reads out of bounds, whatever it finds is a key it can look up again in any
// case, and every key implies its ancestors.
#include <cstdlib>

#include "FuzzInput.h"
#include "platform/CodePage.h"
#include "platform/emulation/UserReg.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const std::u16string key = platform::Utf8ToUtf16(input.Take());
  const std::u16string name = platform::Utf8ToUtf16(input.Take());
  const std::string_view body = input.Rest();
  // Most inputs get the header, so that the fuzzer spends its time past it.
  const std::string text =
      (size % 8 == 0 ? std::string() : std::string("WINE REGISTRY Version 2\n")) + std::string(body);

  platform::emulation::UserReg hive(text);
  for (const std::u16string_view path : {std::u16string_view(key), std::u16string_view(u"Software\\Orvane")}) {
    if (const auto id = hive.FindKey(path)) {
      if (hive.FindKey(path) != id) std::abort();
      std::u16string upper(path);
      for (char16_t& unit : upper) {
        if (unit >= u'a' && unit <= u'z') unit = static_cast<char16_t>(unit - 0x20);
      }
      if (hive.FindKey(upper) != id) std::abort();
      for (std::size_t cut = path.find(u'\\'); cut != std::u16string_view::npos; cut = path.find(u'\\', cut + 1)) {
        if (!hive.FindKey(path.substr(0, cut))) std::abort();
      }
      if (const auto* value = hive.FindValue(*id, name)) {
        if (value != hive.FindValue(*id, name)) std::abort();
        platform::Utf16LeToUtf8(value->data);
      }
      hive.FindValue(*id, u"");
    }
  }
  return 0;
}
