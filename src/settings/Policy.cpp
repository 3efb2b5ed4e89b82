#include "settings/Policy.h"

#include <cstdint>

#include "platform/CodePage.h"
#include "platform/Registry.h"

namespace settings {
namespace {

constexpr const char* kPolicyKey = "Software\\Policies\\Orvane";
// A text as long as the settings file holds one, and its NUL.
constexpr std::uint32_t kTextRoom = 1024;

std::optional<std::string> ReadValue(platform::RegistryRoot root, std::string_view name, PolicyKind kind) {
  if (kind == PolicyKind::Number) {
    const std::optional<std::uint32_t> value = platform::ReadRegistryDword(root, kPolicyKey, std::string(name));
    if (!value || *value > 0x7FFFFFFFu) return std::nullopt;
    return std::to_string(*value);
  }
  const auto data = platform::ReadRegistryData(root, kPolicyKey, std::string(name), kTextRoom);
  if (!data || data->type != platform::kRegSz) return std::nullopt;
  std::string_view ansi = data->bytes;
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
