#include "support/date_time.h"

#include <chrono>
#include <cstdio>

#include "host/unicode.h"

namespace quillfen {

std::u16string FormatDateTime(const DateTime& time) {
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d UTC", time.year, time.month,
                time.day, time.hour, time.minute, time.second);
  return FromUtf8(text);
}

std::u16string FormatDay(const DateTime& time) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", time.year, time.month, time.day);
  return FromUtf8(text);
}

DateTime DateTimeFromUnixSeconds(int64_t seconds) {
  using namespace std::chrono;
  const sys_seconds moment{std::chrono::seconds(seconds)};
  const sys_days day = floor<days>(moment);
  const year_month_day date{day};
  const hh_mm_ss clock{moment - day};
  return DateTime{
      int(date.year()),           int(unsigned(date.month())),  int(unsigned(date.day())),
      int(clock.hours().count()), int(clock.minutes().count()), int(clock.seconds().count())};
}

DateTime CurrentDateTime() {
  using namespace std::chrono;
  return DateTimeFromUnixSeconds(
      duration_cast<seconds>(system_clock::now().time_since_epoch()).count());
}

}  // namespace quillfen
