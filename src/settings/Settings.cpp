#include "settings/Settings.h"

namespace settings {

void LoadSettings() {}

}  // namespace settings
