#include "platform/EndRequest.h"

namespace platform {

void WatchForEndRequest() {}

bool EndRequested() { return false; }

}  // namespace platform
