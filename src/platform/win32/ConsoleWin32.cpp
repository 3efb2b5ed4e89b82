#include "platform/Console.h"
#include "platform/win32/Wide.h"
// After windows.h, which it needs.
#include <shellapi.h>

namespace platform {
namespace {

// Text for a console is written wide, so that any character shows; text for a
// file or a pipe as UTF-8 bytes.
void WriteTo(DWORD which, std::string_view text) {
  const HANDLE out = ::GetStdHandle(which);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0;
  if (::GetConsoleMode(out, &mode)) {
    const std::wstring wide = win32::Widen(text);
    DWORD written = 0;
    ::WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  while (!text.empty()) {
    DWORD written = 0;
    if (!::WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) || written == 0) return;
    text.remove_prefix(written);
  }
}

}  // namespace

std::vector<std::string> Arguments(int, char**) {
  std::vector<std::string> arguments;
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(win32::Narrow(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

bool ReadInPieces(const std::string& path, std::uint64_t* size, const std::function<void(std::string_view)>& take) {
  const bool standardInput = path == "-";
  const HANDLE file = standardInput ? ::GetStdHandle(STD_INPUT_HANDLE)
                                    : ::CreateFileW(win32::Widen(path).c_str(), GENERIC_READ,
                                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == nullptr || file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER length{};
  *size = ::GetFileType(file) == FILE_TYPE_DISK && ::GetFileSizeEx(file, &length)
              ? static_cast<std::uint64_t>(length.QuadPart)
              : 0;
  static char piece[64 * 1024];
  bool read = true;
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file, piece, sizeof piece, &got, nullptr)) {
      // A pipe whose writer has gone has simply ended.
      read = ::GetLastError() == ERROR_BROKEN_PIPE;
      break;
    }
    if (got == 0) break;
    take(std::string_view(piece, got));
  }
  if (!standardInput) ::CloseHandle(file);
  return read;
}

bool ErrorsGoToTerminal() {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void PrintOut(std::string_view text) { WriteTo(STD_OUTPUT_HANDLE, text); }
void PrintError(std::string_view text) { WriteTo(STD_ERROR_HANDLE, text); }

}  // namespace platform
