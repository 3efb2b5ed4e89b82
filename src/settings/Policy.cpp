#include "settings/Policy.h"

#include <array>
#include <cstdint>

#include "platform/CodePage.h"
#include "platform/Registry.h"

namespace settings {
namespace {

constexpr const char* kPolicyKey = "Software\\Policies\\Orvane";
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegDword = 4;
// A text as long as the settings file holds one, and its NUL.
constexpr std::uint32_t kTextRoom = 1024;

std::optional<std::string> ReadValue(platform::RegistryRoot root, std::string_view name, PolicyKind kind) {
  platform::RegistryKey key = 0;
  if (platform::OpenRegistryKey(root, kPolicyKey, &key, platform::KeyAccess::Policy) != platform::kRegistryOk)
    return std::nullopt;
  std::array<unsigned char, kTextRoom> data{};
  std::uint32_t size = kTextRoom;
  std::uint32_t type = 0;
  const long status = platform::QueryRegistryValue(key, std::string(name), data.data(), &size, &type);
  platform::CloseRegistryKey(key);
  if (status != platform::kRegistryOk) return std::nullopt;

  if (kind == PolicyKind::Number) {
    if (type != kRegDword || size != 4) return std::nullopt;
    std::uint32_t value = 0;  // low byte first
    for (std::size_t i = 4; i-- > 0;) value = (value << 8) | data[i];
    if (value > 0x7FFFFFFFu) return std::nullopt;
    return std::to_string(value);
  }
  if (type != kRegSz) return std::nullopt;
  std::string_view ansi(reinterpret_cast<const char*>(data.data()), size);
  ansi = ansi.substr(0, ansi.find('\0'));
  if (ansi.empty() || ansi.find_first_of("\r\n") != std::string_view::npos) return std::nullopt;
  return platform::FromAnsi(ansi);
}

}  // namespace

std::optional<PolicyValue> ReadPolicy(std::string_view name, PolicyKind kind) {
  for (const auto& [root, rootName] : {std::pair{platform::RegistryRoot::LocalMachine, "HKEY_LOCAL_MACHINE"},
                                       std::pair{platform::RegistryRoot::CurrentUser, "HKEY_CURRENT_USER"}}) {
    if (auto text = ReadValue(root, name, kind)) return PolicyValue{*text, std::string(rootName) + "\\" + kPolicyKey};
  }
  return std::nullopt;
}

}  // namespace settings
