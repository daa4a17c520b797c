#pragma once

#include <cstddef>
#include <string_view>

namespace quillfen {

// The GOST curves by their identifiers, the names libgcrypt gives them (it
// does not know all of them by identifier) and the size of their numbers;
// the exchange sets are signature sets under another name. The test sets
// are left out.
struct GostCurve {
  std::string_view oid;
  const char* name;
  size_t bits;
};

inline const GostCurve* FindGostCurve(std::string_view oid) {
  static constexpr GostCurve kCurves[] = {
      {"1.2.643.2.2.35.1", "GOST2001-CryptoPro-A", 256},
      {"1.2.643.2.2.35.2", "GOST2001-CryptoPro-B", 256},
      {"1.2.643.2.2.35.3", "GOST2001-CryptoPro-C", 256},
      {"1.2.643.2.2.36.0", "GOST2001-CryptoPro-XchA", 256},
      {"1.2.643.2.2.36.1", "GOST2001-CryptoPro-XchB", 256},
      {"1.2.643.7.1.2.1.1.1", "GOST2012-256-A", 256},
      {"1.2.643.7.1.2.1.1.2", "GOST2012-256-tc26-B", 256},
      {"1.2.643.7.1.2.1.1.3", "GOST2012-256-tc26-C", 256},
      {"1.2.643.7.1.2.1.1.4", "GOST2012-256-tc26-D", 256},
      {"1.2.643.7.1.2.1.2.1", "GOST2012-512-tc26-A", 512},
      {"1.2.643.7.1.2.1.2.2", "GOST2012-512-tc26-B", 512},
      {"1.2.643.7.1.2.1.2.3", "GOST2012-512-tc26-C", 512},
  };
  for (const auto& curve : kCurves) {
    if (curve.oid == oid) return &curve;
  }
  return nullptr;
}

inline const char* GcryptCurveName(std::string_view oid) {
  const GostCurve* curve = FindGostCurve(oid);
  return curve == nullptr ? nullptr : curve->name;
}

// The size of the curve's numbers in bits, or 0 for a curve of no GOST set
// the program knows.
inline size_t GostCurveBits(std::string_view oid) {
  const GostCurve* curve = FindGostCurve(oid);
  return curve == nullptr ? 0 : curve->bits;
}

}  // namespace quillfen
