#pragma once

#include <optional>
#include <string>
#include <string_view>

// Settings that the organisation sets as policy (Group Policy, or any device
// manager that writes policy keys): the value of the same name under
// Software\Policies\Orvane, of the machine (HKEY_LOCAL_MACHINE) first, then of the
// user (HKEY_CURRENT_USER). On Linux the keys are the default Wine prefix's.
namespace settings {

enum class PolicyKind { Number, Text };

struct PolicyValue {
  std::string text;    // a number in decimal digits, or the text (UTF-8)
  std::string source;  // the key that set it: "HKEY_LOCAL_MACHINE\Software\Policies\Orvane"
};

// The policy value `name`, machine before user. A number counts only as a
// REG_DWORD within the signed 32-bit range, a text only as a REG_SZ that is not
// empty, fits 1,023 bytes in the ANSI code page and holds no line break; any
// other value is not configured. Nothing when neither key configures it.
std::optional<PolicyValue> ReadPolicy(std::string_view name, PolicyKind kind);

}  // namespace settings
