#include "conversion/recovered_key.h"

#include "support/gost_curves.h"

namespace quillfen {

std::optional<KeyFamily> KeyFamilyOf(std::string_view algorithmOid) {
  if (algorithmOid == "1.2.643.2.2.19" || algorithmOid == "1.2.643.2.2.98") return KeyFamily::k2001;
  if (algorithmOid == "1.2.643.7.1.1.1.1" || algorithmOid == "1.2.643.7.1.1.6.1") {
    return KeyFamily::k2012_256;
  }
  if (algorithmOid == "1.2.643.7.1.1.1.2" || algorithmOid == "1.2.643.7.1.1.6.2") {
    return KeyFamily::k2012_512;
  }
  return std::nullopt;
}

size_t KeySizeOf(KeyFamily family) { return family == KeyFamily::k2012_512 ? 64 : 32; }

bool CurveFitsFamily(std::string_view curveOid, KeyFamily family) {
  return IsKnownCurve(curveOid) && GostCurveBits(curveOid) == 8 * KeySizeOf(family);
}

}  // namespace quillfen
