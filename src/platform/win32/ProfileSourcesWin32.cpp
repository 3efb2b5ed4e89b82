#include "platform/ProfileSources.h"

namespace platform {

void BeginProfileSearch(const std::vector<std::string>&) {}

ProfileSources FindProfileSources() { return {{ProfileSource{}}, {}}; }

void UseProfileSource(const ProfileSource&) {}

}  // namespace platform
