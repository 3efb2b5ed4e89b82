#include "support/ChildRole.h"

namespace testing_support {
namespace {

std::map<std::string, ChildRole>& Roles() {
  static std::map<std::string, ChildRole> roles;
  return roles;
}

}  // namespace

bool RegisterChildRole(const std::string& name, ChildRole role) {
  Roles()[name] = std::move(role);
  return true;
}

int RunChildRole(const std::string& name) {
  const auto found = Roles().find(name);
  return found == Roles().end() ? 125 : found->second();
}

}  // namespace testing_support
