#include "platform/Clock.h"

#include "platform/win32/Wide.h"

namespace platform {

DateTimeText Now() {
  SYSTEMTIME local;
  GetLocalTime(&local);
  wchar_t date[128] = {};
  wchar_t time[128] = {};
  if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, date, 128) == 0) date[0] = L'\0';
  if (GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &local, nullptr, time, 128) == 0) time[0] = L'\0';
  return {win32::Narrow(date), win32::Narrow(time)};
}

Date Today() {
  SYSTEMTIME local;
  GetLocalTime(&local);
  return {local.wYear, local.wMonth, local.wDay};
}

}  // namespace platform
