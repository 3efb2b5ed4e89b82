#include "platform/posix/DosPath.h"

namespace platform::posix {

std::optional<std::string> DosPathToUnix(const std::string&) { return std::nullopt; }

}  // namespace platform::posix
