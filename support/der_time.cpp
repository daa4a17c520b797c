#include "support/der.h"

namespace quillfen {
namespace {

// Two digits of a time's text at `at`, or -1 when they are none.
int Digits(std::string_view text, size_t at) {
  if (at + 2 > text.size()) return -1;
  const char a = text[at], b = text[at + 1];
  if (a < '0' || a > '9' || b < '0' || b > '9') return -1;
  return (a - '0') * 10 + (b - '0');
}

}  // namespace

std::optional<DateTime> ParseDerTime(std::string_view text) {
  // UTCTime has two digits of the year, GeneralizedTime four; strict DER
  // leaves seconds and the Z in both.
  const bool utc = text.size() == 13;
  if ((!utc && text.size() != 15) || text.back() != 'Z') return std::nullopt;
  DateTime time;
  size_t at = 2;
  if (utc) {
    const int year = Digits(text, 0);
    time.year = year < 0 ? -1 : year < 50 ? 2000 + year : 1900 + year;
  } else {
    const int century = Digits(text, 0), year = Digits(text, 2);
    time.year = century < 0 || year < 0 ? -1 : century * 100 + year;
    at = 4;
  }
  time.month = Digits(text, at);
  time.day = Digits(text, at + 2);
  time.hour = Digits(text, at + 4);
  time.minute = Digits(text, at + 6);
  time.second = Digits(text, at + 8);
  if (time.year < 0 || time.month < 1 || time.month > 12 || time.day < 1 || time.day > 31 ||
      time.hour < 0 || time.hour > 23 || time.minute < 0 || time.minute > 59 || time.second < 0 ||
      time.second > 59) {
    return std::nullopt;
  }
  return time;
}

}  // namespace quillfen
