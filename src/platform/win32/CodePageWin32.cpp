#include "platform/CodePage.h"

#include "platform/win32/Wide.h"

namespace platform {

namespace win32 {

std::wstring Widen(std::string_view utf8) {
  const std::u16string units = Utf8ToUtf16(utf8);
  return std::wstring(units.begin(), units.end());
}

std::string Narrow(std::wstring_view wide) { return Utf16ToUtf8(std::u16string(wide.begin(), wide.end())); }

}  // namespace win32

namespace {

std::string WideToAnsi(std::string_view utf8, DWORD flags) {
  const std::wstring wide = win32::Widen(utf8);
  if (wide.empty()) return {};
  const int length = static_cast<int>(wide.size());
  const int size = WideCharToMultiByte(CP_ACP, flags, wide.data(), length, nullptr, 0, "?", nullptr);
  if (size <= 0) return {};
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, flags, wide.data(), length, out.data(), size, "?", nullptr);
  return out;
}

}  // namespace

std::string ToAnsi(std::string_view utf8) { return WideToAnsi(utf8, WC_NO_BEST_FIT_CHARS); }

std::string ToAnsiBestFit(std::string_view utf8) { return WideToAnsi(utf8, 0); }

bool IsAnsiLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

std::string FromAnsi(std::string_view ansi) {
  if (ansi.empty()) return {};
  const int length = static_cast<int>(ansi.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
  if (size <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, wide.data(), size);
  return win32::Narrow(wide);
}

}  // namespace platform
