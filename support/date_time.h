#pragma once

#include <cstdint>
#include <string>

namespace quillfen {

// A moment in UTC, to the second, as certificates and containers give it
// (a UTCTime or GeneralizedTime read by the DER facade).
struct DateTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;

  auto operator<=>(const DateTime&) const = default;
};

// "2027-12-08 00:47:52 UTC".
std::u16string FormatDateTime(const DateTime& time);
// "2027-12-08".
std::u16string FormatDay(const DateTime& time);

// The moment `seconds` after 1970-01-01 00:00:00 UTC.
DateTime DateTimeFromUnixSeconds(int64_t seconds);
// Now, by the system's clock.
DateTime CurrentDateTime();

}  // namespace quillfen
