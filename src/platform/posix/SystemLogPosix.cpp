#include "platform/SystemLog.h"

#include <syslog.h>

namespace platform {

void WriteSystemEvent(EventType type, std::uint32_t id, const std::vector<EventField>& fields) {
  // Opened and closed for each event, as the log is for each line: a run writes
  // none or a few, and keeps nothing open between them.
  openlog("orvane", LOG_PID, LOG_USER);
  syslog(type == EventType::Warning ? LOG_WARNING : LOG_ERR, "%s", FormatEventLine(id, fields).c_str());
  closelog();
}

}  // namespace platform
