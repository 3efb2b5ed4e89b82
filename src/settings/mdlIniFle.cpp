#include "settings/mdlIniFle.h"

namespace mdlIniFle {

std::string GetIniValue(const std::string&, const std::string&, const std::string&) { return {}; }

int SetIniValue(const std::string&, const std::string&, const std::string&, const std::string&) { return 0; }

}  // namespace mdlIniFle
