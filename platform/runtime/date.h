// Date: the runtime's date-time kind.
//
// Stored as the automation serial: days since 1899-12-30 00:00:00, with the
// time of day as the fraction. Values are kept to whole seconds by the
// constructors below. Plain value type; thread-compatible.
#pragma once

#include <array>
#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace korvo::rt {

struct Date {
  double serial = 0.0;
  friend constexpr auto operator<=>(const Date&, const Date&) = default;
};

struct DateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
};

// Builds a date from calendar parts. Returns nullopt when a part is out of
// range (month 13, 31 February, hour 24, year outside 100..9999).
std::optional<Date> MakeDate(const DateParts& parts);

// Calendar parts of a date, rounded to the nearest second.
DateParts SplitDate(Date d);

// True when the time of day is midnight.
bool IsMidnight(Date d);

// The runtime's default text form: "yyyy-mm-dd", followed by " hh:nn:ss"
// when the time of day is not midnight. This is the fixed "system locale".
std::string FormatDate(Date d);

// The stored form used by the databases: always "yyyy-mm-dd hh:nn:ss".
std::string FormatStoredDate(Date d);

// Room for any date text the runtime writes, years beyond four digits
// included.
using DateText = std::array<char, 40>;
// The stored form written into `text`, for callers that format a date for
// every statement they run and keep no string of it: the view points into
// `text`.
std::string_view FormatStoredDate(Date d, DateText& text);

// The ISO form used by the JSON protocol: "yyyy-mm-ddThh:nn:ss".
std::string FormatIsoDate(Date d);

// Reads a date text in any form the runtime accepts: "yyyy-mm-dd" or
// "yyyy/mm/dd" with optional time "hh:nn[:ss]" (a "T" may separate them),
// month/day/year "m/d/yyyy" with optional time and optional AM/PM, or a time
// alone. Leading and trailing blanks are ignored. Returns nullopt otherwise.
std::optional<Date> ParseDate(std::string_view text);

}  // namespace korvo::rt
