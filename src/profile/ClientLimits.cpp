#include "profile/ClientLimits.h"

#include "platform/Registry.h"

namespace profile {
namespace {

// The 2003 and 2007 clients keep Unicode files to 20 GB, and to 19 GB of data.
constexpr std::uint32_t kOldMaxLargeFileSize = 0x5000;
constexpr std::uint32_t kOldWarnLargeFileSize = 0x4C00;

// `limit` as the client `version` reads it: from the first of its policy and
// preference keys that holds it within [least, most]; else left as it is.
void ReadLimit(const std::string& version, ClientLimit& limit, std::uint32_t least, std::uint32_t most,
               std::vector<std::string>& zeros) {
  for (const char* key : {"Software\\Policies\\Microsoft\\Office\\", "Software\\Microsoft\\Office\\"}) {
    const std::string path = key + version + "\\Outlook\\PST";
    const auto value = platform::ReadRegistryDword(platform::RegistryRoot::CurrentUser, path, limit.name);
    if (value == 0u) zeros.push_back(std::string(limit.name) + ", HKEY_CURRENT_USER\\" + path);
    if (value && *value >= least && *value <= most) {
      limit.value = *value;
      limit.source = "HKEY_CURRENT_USER\\" + path;
      return;
    }
  }
}

}  // namespace

const ClientLimit& ClientLimits::Stop(PstFormat format) const {
  const ClientLimit& warn = format == PstFormat::Ansi ? warnFileSize : warnLargeFileSize;
  const ClientLimit& max = format == PstFormat::Ansi ? maxFileSize : maxLargeFileSize;
  return max.value < warn.value ? max : warn;
}

std::int64_t ClientLimits::StopKb(PstFormat format) const {
  const std::int64_t value = Stop(format).value;
  return format == PstFormat::Ansi ? value / 1024 : value * 1024;
}

ClientLimits ReadClientLimits(const std::string& version) {
  ClientLimits limits;
  if (version == "11.0" || version == "12.0") {
    limits.maxLargeFileSize.value = kOldMaxLargeFileSize;
    limits.warnLargeFileSize.value = kOldWarnLargeFileSize;
  }
  // The ranges the client itself accepts; it ignores any other value, and takes
  // 0 for not set.
  ReadLimit(version, limits.maxFileSize, 0x001F4400, 0x7C004400, limits.zeros);
  ReadLimit(version, limits.warnFileSize, 0x00042400, 0x7C004400, limits.zeros);
  ReadLimit(version, limits.maxLargeFileSize, 1, 0xC800, limits.zeros);
  ReadLimit(version, limits.warnLargeFileSize, 1, 0xBE00, limits.zeros);
  for (const char* key : {"Software\\Policies\\Microsoft\\Office\\", "Software\\Microsoft\\Office\\"}) {
    const std::string path = key + version + "\\Outlook\\PST";
    const auto value = platform::ReadRegistryDword(platform::RegistryRoot::CurrentUser, path, "PSTDisableGrow");
    if (!value) continue;
    if (*value == 1) limits.disableGrow = "PSTDisableGrow, HKEY_CURRENT_USER\\" + path;
    break;
  }
  return limits;
}

}  // namespace profile
