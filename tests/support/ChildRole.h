#pragma once

#include <functional>
#include <map>
#include <string>

namespace testing_support {

// Something a copy of the test program does instead of running the tests; its
// result is the copy's exit status.
using ChildRole = std::function<int()>;

// Registers `role` under `name` (at static initialisation) and returns true.
bool RegisterChildRole(const std::string& name, ChildRole role);

// Runs the role called `name`; 125 when there is none.
int RunChildRole(const std::string& name);

}  // namespace testing_support
