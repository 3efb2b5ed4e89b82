#include "platform/SystemLog.h"

#include <windows.h>

#include "platform/win32/Wide.h"

namespace platform {

void WriteSystemEvent(EventType type, std::uint32_t id, const std::vector<EventField>& fields) {
  // An unregistered source is taken too: its events then show their insertion
  // strings without the texts of the message table.
  const HANDLE source = RegisterEventSourceW(nullptr, L"Orvane");
  if (source == nullptr) return;
  std::vector<std::wstring> values;
  std::vector<const wchar_t*> strings;
  values.reserve(fields.size());
  strings.reserve(fields.size());
  for (const EventField& field : fields) strings.push_back(values.emplace_back(win32::Widen(field.value)).c_str());
  ReportEventW(source, type == EventType::Warning ? EVENTLOG_WARNING_TYPE : EVENTLOG_ERROR_TYPE, 0, id, nullptr,
               static_cast<WORD>(strings.size()), 0, strings.data(), nullptr);
  DeregisterEventSource(source);
}

}  // namespace platform
