#include "platform/SystemLog.h"

#include <windows.h>

#include "platform/win32/Wide.h"

namespace platform {
namespace {

// The running user's TOKEN_USER, whose SID an event carries so that a collector
// shows whose files it is about; empty when the token cannot be read.
std::vector<BYTE> TokenUser() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  DWORD size = 0;
  GetTokenInformation(token, ::TokenUser, nullptr, 0, &size);
  std::vector<BYTE> user(size);
  if (size == 0 || !GetTokenInformation(token, ::TokenUser, user.data(), size, &size)) user.clear();
  CloseHandle(token);
  return user;
}

}  // namespace

bool WriteSystemEvent(EventType type, std::uint32_t id, const std::vector<EventField>& fields) {
  // An unregistered source is taken too: its events then show their insertion
  // strings without the texts of the message table.
  const HANDLE source = RegisterEventSourceW(nullptr, L"Orvane");
  if (source == nullptr) return false;
  std::vector<std::wstring> values;
  std::vector<const wchar_t*> strings;
  values.reserve(fields.size());
  strings.reserve(fields.size());
  for (const EventField& field : BoundFields(fields, kEventLimit))
    strings.push_back(values.emplace_back(win32::Widen(field.value)).c_str());
  const std::vector<BYTE> user = TokenUser();
  const PSID sid = user.empty() ? nullptr : reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid;
  const BOOL reported = ReportEventW(source, type == EventType::Warning ? EVENTLOG_WARNING_TYPE : EVENTLOG_ERROR_TYPE,
                                     0, id, sid, static_cast<WORD>(strings.size()), 0, strings.data(), nullptr);
  DeregisterEventSource(source);
  return reported != 0;
}

}  // namespace platform
