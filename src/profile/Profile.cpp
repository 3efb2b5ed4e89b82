#include "profile/Profile.h"

namespace profile {

std::string FindDefaultProfile() { return {}; }

std::vector<std::string> ReadStoreSections(const std::string&) { return {}; }

void ReadStoreEntry(const std::string&, const std::string&) {}

}  // namespace profile
