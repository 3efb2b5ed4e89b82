#include "platform/Executable.h"

#include <vector>

#include "platform/win32/Wide.h"

namespace platform {

const char kPathSeparator = '\\';

ExecutableLocation LocateExecutable() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      const std::string path = win32::Narrow(std::wstring_view(buffer.data(), n));
      // The root of a drive keeps its separator: "C:\".
      return SplitExecutablePath(path, "\\/", path.size() > 2 && path[1] == ':' ? 3 : 0);
    }
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace platform
