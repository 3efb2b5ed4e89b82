#pragma once
// Small text and date helpers the report's readers and page share.

#include <cstdint>
#include <string>
#include <string_view>

namespace report {

// Appends the code point as UTF-8 (a surrogate or a value past U+10FFFF as U+FFFD).
void AppendUtf8(std::string& text, std::uint32_t point);

// The decimal number `text` holds, all digits and at most 9 of them; -1 otherwise.
int Digits(std::string_view text);
// The whole number `text` holds (digits only, at most 18); -1 otherwise.
std::int64_t Number(std::string_view text);

// Seconds since 1970 at the start of a day of the Gregorian calendar, and back.
std::int64_t SecondsOf(int year, int month, int day);
int CivilYear(std::int64_t seconds);
// "2026-12-10 03:55" (UTC); "" for 0.
std::string TimeText(std::int64_t seconds);

// `text` made safe inside HTML, as element content or a quoted attribute.
std::string Html(std::string_view text);

}  // namespace report
