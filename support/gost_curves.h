#pragma once

#include <string_view>

namespace quillfen {

// The GOST curves by their identifiers and the names libgcrypt gives them
// (it does not know all of them by identifier); the exchange sets are
// signature sets under another name. The test sets are left out.
inline const char* GcryptCurveName(std::string_view oid) {
  static constexpr struct {
    std::string_view oid;
    const char* name;
  } kCurves[] = {
      {"1.2.643.2.2.35.1", "GOST2001-CryptoPro-A"},
      {"1.2.643.2.2.35.2", "GOST2001-CryptoPro-B"},
      {"1.2.643.2.2.35.3", "GOST2001-CryptoPro-C"},
      {"1.2.643.2.2.36.0", "GOST2001-CryptoPro-XchA"},
      {"1.2.643.2.2.36.1", "GOST2001-CryptoPro-XchB"},
      {"1.2.643.7.1.2.1.1.1", "GOST2012-256-A"},
      {"1.2.643.7.1.2.1.1.2", "GOST2012-256-tc26-B"},
      {"1.2.643.7.1.2.1.1.3", "GOST2012-256-tc26-C"},
      {"1.2.643.7.1.2.1.1.4", "GOST2012-256-tc26-D"},
      {"1.2.643.7.1.2.1.2.1", "GOST2012-512-tc26-A"},
      {"1.2.643.7.1.2.1.2.2", "GOST2012-512-tc26-B"},
      {"1.2.643.7.1.2.1.2.3", "GOST2012-512-tc26-C"},
  };
  for (const auto& curve : kCurves) {
    if (curve.oid == oid) return curve.name;
  }
  return nullptr;
}

}  // namespace quillfen
