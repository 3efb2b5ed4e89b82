#pragma once
// UTF-8 <-> UTF-16 at the Windows API edge.

#include <windows.h>

#include <string>
#include <string_view>

namespace platform::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

}  // namespace platform::win32
