#include "display/display_caption.h"

#include <cstdio>

namespace marlow {
namespace {

const char* const kWeekdays[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                  "Thursday", "Friday", "Saturday"};
const char* const kMonths[12] = {"January",   "February", "March",    "April",
                                 "May",       "June",     "July",     "August",
                                 "September", "October",  "November", "December"};

int64_t FloorDiv(int64_t a, int64_t b) {
  return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
}
int64_t FloorMod(int64_t a, int64_t b) {
  return a - FloorDiv(a, b) * b;
}

// Days since 1970-01-01 of a proleptic Gregorian date (month 1..12).
int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = FloorDiv(year, 400);
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

struct Civil {
  int64_t year;
  int month, day, hour, minute, second, weekday, yearDay;
};

Civil CivilFromSeconds(int64_t seconds) {
  const int64_t days = FloorDiv(seconds, 86400);
  const int64_t secondOfDay = seconds - days * 86400;
  const int64_t z = days + 719468;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t dayOfEra = z - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;
  Civil c;
  c.day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  c.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  c.year = yearOfEra + era * 400 + (c.month <= 2 ? 1 : 0);
  c.hour = static_cast<int>(secondOfDay / 3600);
  c.minute = static_cast<int>(secondOfDay / 60 % 60);
  c.second = static_cast<int>(secondOfDay % 60);
  c.weekday = static_cast<int>(FloorMod(days + 4, 7));  // 1970-01-01 was a Thursday
  c.yearDay = static_cast<int>(days - DaysFromCivil(c.year, 1, 1));
  return c;
}

Civil CivilFromRecord(const TimeRecord& t) {
  if (t.year < 1900) return CivilFromSeconds(0);
  // Fields past their range carry into the next larger one.
  const int64_t months = int64_t{t.year} * 12 + (int64_t{t.month} - 1);
  const int64_t year = FloorDiv(months, 12);
  const int month = static_cast<int>(months - year * 12) + 1;
  const int64_t days = DaysFromCivil(year, month, 1) + (int64_t{t.day} - 1);
  return CivilFromSeconds(days * 86400 + int64_t{t.hour} * 3600 + int64_t{t.minute} * 60 +
                          t.second);
}

// Appends to a NUL-terminated buffer, cutting what does not fit.
class Writer {
 public:
  Writer(char* out, int capacity) : out_(out), capacity_(capacity) {
    if (capacity_ > 0) out_[0] = '\0';
  }
  void Char(char c) {
    if (length_ + 1 < capacity_) {
      out_[length_++] = c;
      out_[length_] = '\0';
    }
  }
  void Text(const char* s, int maxChars = -1) {
    for (int i = 0; s[i] != '\0' && (maxChars < 0 || i < maxChars); ++i) Char(s[i]);
  }
  void Number(int64_t value, int width, char pad) {
    char digits[24];
    const bool negative = value < 0;
    uint64_t v = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    int n = 0;
    do {
      digits[n++] = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v != 0);
    if (negative) Char('-');
    for (int i = n; i < width; ++i) Char(pad);
    while (n > 0) Char(digits[--n]);
  }
  int Length() const { return length_; }

 private:
  char* out_;
  int capacity_;
  int length_ = 0;
};

void FormatCivil(const Civil& c, const char* format, Writer& w) {
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') {
      w.Char(*p);
      continue;
    }
    const char conversion = p[1];
    if (conversion == '\0') {
      w.Char('%');
      break;
    }
    ++p;
    switch (conversion) {
      case 'a':
        w.Text(kWeekdays[c.weekday], 3);
        break;
      case 'A':
        w.Text(kWeekdays[c.weekday]);
        break;
      case 'b':
        w.Text(kMonths[c.month - 1], 3);
        break;
      case 'B':
        w.Text(kMonths[c.month - 1]);
        break;
      case 'c':
        FormatCivil(c, "%a %b %e %H:%M:%S %Y", w);
        break;
      case 'd':
        w.Number(c.day, 2, '0');
        break;
      case 'e':
        w.Number(c.day, 2, ' ');
        break;
      case 'H':
        w.Number(c.hour, 2, '0');
        break;
      case 'I':
        w.Number(c.hour % 12 == 0 ? 12 : c.hour % 12, 2, '0');
        break;
      case 'j':
        w.Number(c.yearDay + 1, 3, '0');
        break;
      case 'm':
        w.Number(c.month, 2, '0');
        break;
      case 'M':
        w.Number(c.minute, 2, '0');
        break;
      case 'p':
        w.Text(c.hour < 12 ? "AM" : "PM");
        break;
      case 'S':
        w.Number(c.second, 2, '0');
        break;
      case 'U':
        w.Number((c.yearDay + 7 - c.weekday) / 7, 2, '0');
        break;
      case 'w':
        w.Number(c.weekday, 1, '0');
        break;
      case 'x':
        FormatCivil(c, "%m/%d/%y", w);
        break;
      case 'X':
        FormatCivil(c, "%H:%M:%S", w);
        break;
      case 'y':
        w.Number(c.year % 100, 2, '0');
        break;
      case 'Y':
        w.Number(c.year, 1, '0');
        break;
      case '%':
        w.Char('%');
        break;
      default:
        w.Char('%');
        w.Char(conversion);
        break;
    }
  }
}

}  // namespace

int FormatTime(const TimeRecord& time, const char* format, char* out, int capacity) {
  if (out == nullptr || capacity <= 0) return 0;
  Writer w(out, capacity);
  if (format != nullptr) FormatCivil(CivilFromRecord(time), format, w);
  return w.Length();
}

int CaptionSettings::Text(int channel, const TimeRecord& time, char* out, int capacity) const {
  if (out == nullptr || capacity <= 0) return 0;
  int length = std::snprintf(out, static_cast<size_t>(capacity), "CH%d ", channel + 1);
  if (length < 0) length = 0;
  if (length >= capacity) return capacity - 1;
  if (showTime_ && time.year != 0)
    length += FormatTime(time, timeFormat_.c_str(), out + length, capacity - length);
  return length;
}

PaneRect CaptionSettings::Bar(const PaneRect& pane) const {
  const int width = pane.Width() < kCaptionBarMaxWidth ? pane.Width() : kCaptionBarMaxWidth;
  const int top = position_ == CaptionPosition::Bottom ? pane.bottom - kCaptionBarHeight : pane.top;
  return PaneRect{pane.left, top, pane.left + width, top + kCaptionBarHeight};
}

LogoPlace LogoOrigin(const PaneRect& pane, int logoWidth, int logoHeight) {
  const int dx = logoWidth < pane.Width() ? (pane.Width() - logoWidth) / 2 : 0;
  const int dy = logoHeight < pane.Height() ? (pane.Height() - logoHeight) / 2 : 0;
  return LogoPlace{pane.left + dx, pane.top + dy};
}

}  // namespace marlow
