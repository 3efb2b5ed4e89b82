#include "platform/NumberFormat.h"

#include <cmath>
#include <cstdio>

#include "platform/win32/Wide.h"

namespace platform {

std::string FormatWholeNumber(double value) {
  // The user's separators, but the grouping and the sign of the pattern
  // "#,###,##0": groups of three and a leading minus, whatever the locale says.
  wchar_t thousand[8] = L",";
  wchar_t decimal[8] = L".";
  if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, thousand, 8) == 0) lstrcpyW(thousand, L",");
  if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8) == 0) lstrcpyW(decimal, L".");

  if (!std::isfinite(value)) value = 0;
  const double rounded = std::round(std::fmax(std::fmin(value, 1e18), -1e18));
  wchar_t number[32];
  std::swprintf(number, 32, L"%.0f", rounded == 0 ? 0.0 : rounded);  // no "-0"

  NUMBERFMTW format{};
  format.NumDigits = 0;
  format.LeadingZero = 1;
  format.Grouping = 3;
  format.lpDecimalSep = decimal;
  format.lpThousandSep = thousand;
  format.NegativeOrder = 1;  // "-1"
  wchar_t out[64];
  if (GetNumberFormatEx(LOCALE_NAME_USER_DEFAULT, 0, number, &format, out, 64) == 0)
    return FormatWholeNumber(value, win32::Narrow(thousand));
  return win32::Narrow(out);
}

}  // namespace platform
