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
      const std::size_t slash = path.find_last_of("\\/");
      if (slash == std::string::npos) return {};
      std::string name = path.substr(slash + 1);
      const std::size_t dot = name.rfind('.');
      if (dot != std::string::npos && dot > 0) name.resize(dot);
      // The root of a drive keeps its separator: "C:\".
      const bool root = slash == 2 && path[1] == ':';
      return {path.substr(0, root ? slash + 1 : slash), name};
    }
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace platform
