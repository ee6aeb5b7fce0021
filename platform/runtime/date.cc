#include "platform/runtime/date.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace korvo::rt {
namespace {

constexpr int kSecondsPerDay = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date.
constexpr std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// Serial 0 is 1899-12-30.
constexpr std::int64_t kSerialEpoch = DaysFromCivil(1899, 12, 30);

void CivilFromDays(std::int64_t z, DateParts& parts) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  parts.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  parts.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  parts.year = static_cast<int>(yoe + era * 400 + (parts.month <= 2));
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

bool InRange(int value, int low, int high) { return value >= low && value <= high; }

// Whole days and seconds of the day. Negative serials keep the time of day
// as a positive fraction: -1.25 is day -1 (1899-12-29) at 06:00.
struct DayAndTime {
  std::int64_t day;
  int seconds;
};

DayAndTime Decompose(Date d) {
  // Serials far outside the calendar's range (only a hand-made Date holds
  // one) are clamped so that no conversion overflows.
  constexpr double kFarLimit = 1e9;
  const double serial =
      std::isfinite(d.serial) ? std::fmax(-kFarLimit, std::fmin(kFarLimit, d.serial)) : 0.0;
  const double whole = std::trunc(serial);
  std::int64_t day = static_cast<std::int64_t>(whole);
  auto seconds = static_cast<int>(std::lround(std::fabs(serial - whole) * kSecondsPerDay));
  if (seconds >= kSecondsPerDay) {  // rounded up into the next calendar day
    seconds -= kSecondsPerDay;
    ++day;
  }
  return {day, seconds};
}

// Writes value as exactly `width` decimal digits (0 <= value < 10^width).
char* PutDigits(char* out, int value, int width) {
  for (int i = width - 1; i >= 0; --i, value /= 10) out[i] = static_cast<char>('0' + value % 10);
  return out + width;
}

std::string_view FormatParts(const DateParts& p, char separator, bool withTime, DateText& text) {
  // Every statement binding a date formats one: years of four digits are
  // written directly rather than through printf.
  if (p.year >= 0 && p.year <= 9999) {
    char* out = PutDigits(text.data(), p.year, 4);
    *out++ = '-';
    out = PutDigits(out, p.month, 2);
    *out++ = '-';
    out = PutDigits(out, p.day, 2);
    if (withTime) {
      *out++ = separator;
      out = PutDigits(out, p.hour, 2);
      *out++ = ':';
      out = PutDigits(out, p.minute, 2);
      *out++ = ':';
      out = PutDigits(out, p.second, 2);
    }
    return std::string_view(text.data(), static_cast<std::size_t>(out - text.data()));
  }
  const int written =
      withTime ? std::snprintf(text.data(), text.size(), "%04d-%02d-%02d%c%02d:%02d:%02d", p.year,
                               p.month, p.day, separator, p.hour, p.minute, p.second)
               : std::snprintf(text.data(), text.size(), "%04d-%02d-%02d", p.year, p.month, p.day);
  return std::string_view(text.data(), std::min(static_cast<std::size_t>(written), text.size() - 1));
}

std::string FormatParts(const DateParts& p, char separator, bool withTime) {
  DateText text;
  return std::string(FormatParts(p, separator, withTime, text));
}

// A left-to-right reader over a date text.
class DateReader {
 public:
  explicit DateReader(std::string_view text) : text_(text) {}

  bool AtEnd() const { return pos_ == text_.size(); }
  bool Peek(char c) const { return !AtEnd() && text_[pos_] == c; }
  bool Accept(char c) {
    if (!Peek(c)) return false;
    ++pos_;
    return true;
  }
  bool AcceptBlanks() {
    const std::size_t start = pos_;
    while (Peek(' ')) ++pos_;
    return pos_ > start;
  }
  // Case-insensitive two-letter word ("AM", "pm").
  bool AcceptWord(std::string_view word) {
    if (text_.size() - pos_ < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
      if ((text_[pos_ + i] | 0x20) != (word[i] | 0x20)) return false;
    }
    pos_ += word.size();
    return true;
  }
  // An unsigned number of 1..maxDigits digits; `digits` receives its length.
  bool Number(int maxDigits, int& value, int& digits) {
    value = 0;
    digits = 0;
    while (!AtEnd() && text_[pos_] >= '0' && text_[pos_] <= '9') {
      if (++digits > maxDigits) return false;
      value = value * 10 + (text_[pos_++] - '0');
    }
    return digits > 0;
  }
  bool Number(int maxDigits, int& value) {
    int digits = 0;
    return Number(maxDigits, value, digits);
  }
  std::size_t Position() const { return pos_; }
  void Rewind(std::size_t pos) { pos_ = pos; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// Two-digit years fall in 1930..2029, the runtime's century window.
int ExpandYear(int year, int digits) {
  if (digits > 2) return year;
  return year < 30 ? 2000 + year : 1900 + year;
}

// "yyyy-mm-dd", "yyyy/mm/dd" or "m/d/yyyy" (also "m/d/yy").
bool ReadCalendarDate(DateReader& r, DateParts& p) {
  int first = 0, digits = 0;
  if (!r.Number(4, first, digits)) return false;
  if (digits == 4) {
    const char separator = r.Accept('-') ? '-' : r.Accept('/') ? '/' : '\0';
    p.year = first;
    return separator && r.Number(2, p.month) && r.Accept(separator) && r.Number(2, p.day);
  }
  if (digits > 2 || !r.Accept('/')) return false;
  p.month = first;
  if (!r.Number(2, p.day) || !r.Accept('/')) return false;
  int year = 0;
  if (!r.Number(4, year, digits) || digits == 1 || digits == 3) return false;
  p.year = ExpandYear(year, digits);
  return true;
}

// "h:nn" or "h:nn:ss", optionally followed by AM or PM.
bool ReadTime(DateReader& r, DateParts& p) {
  p.second = 0;
  if (!r.Number(2, p.hour) || !r.Accept(':') || !r.Number(2, p.minute)) return false;
  if (r.Accept(':') && !r.Number(2, p.second)) return false;
  const std::size_t beforeMarker = r.Position();
  r.AcceptBlanks();
  const bool am = r.AcceptWord("AM");
  const bool pm = !am && r.AcceptWord("PM");
  if (!am && !pm) {
    r.Rewind(beforeMarker);
    return true;
  }
  if (p.hour > 12) return false;
  if (p.hour == 12) p.hour = 0;
  if (pm) p.hour += 12;
  return true;
}

bool ReadDateText(std::string_view text, DateParts& p) {
  DateReader r(text);
  r.AcceptBlanks();
  const std::size_t start = r.Position();
  if (ReadCalendarDate(r, p)) {
    const bool timeFollows = r.Accept('T') || (r.AcceptBlanks() && !r.AtEnd());
    if (timeFollows && !ReadTime(r, p)) return false;
  } else {
    r.Rewind(start);
    if (!ReadTime(r, p)) return false;
  }
  r.AcceptBlanks();
  return r.AtEnd();
}

}  // namespace

std::optional<Date> MakeDate(const DateParts& p) {
  if (!InRange(p.year, 100, 9999) || !InRange(p.month, 1, 12) ||
      !InRange(p.day, 1, DaysInMonth(p.year, p.month)) || !InRange(p.hour, 0, 23) ||
      !InRange(p.minute, 0, 59) || !InRange(p.second, 0, 59)) {
    return std::nullopt;
  }
  const auto day = static_cast<double>(DaysFromCivil(p.year, p.month, p.day) - kSerialEpoch);
  const double time = (p.hour * 3600 + p.minute * 60 + p.second) / double{kSecondsPerDay};
  return Date{day < 0 ? day - time : day + time};
}

DateParts SplitDate(Date d) {
  const DayAndTime dt = Decompose(d);
  DateParts parts;
  CivilFromDays(dt.day + kSerialEpoch, parts);
  parts.hour = dt.seconds / 3600;
  parts.minute = dt.seconds / 60 % 60;
  parts.second = dt.seconds % 60;
  return parts;
}

bool IsMidnight(Date d) { return Decompose(d).seconds == 0; }

std::string FormatDate(Date d) { return FormatParts(SplitDate(d), ' ', !IsMidnight(d)); }

std::string FormatStoredDate(Date d) { return FormatParts(SplitDate(d), ' ', true); }

std::string_view FormatStoredDate(Date d, DateText& text) {
  return FormatParts(SplitDate(d), ' ', true, text);
}

std::string FormatIsoDate(Date d) { return FormatParts(SplitDate(d), 'T', true); }

std::optional<Date> ParseDate(std::string_view text) {
  DateParts parts;
  if (!ReadDateText(text, parts)) return std::nullopt;
  return MakeDate(parts);
}

}  // namespace korvo::rt
