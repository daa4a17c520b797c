#include "tests/test_certificates.h"

#include "tests/openssl_gost.h"

namespace quillfen {

std::vector<uint8_t> GenerateCertificate(const std::string& subject, const std::string& algorithm,
                                         const std::string& paramset) {
  const std::string der =
      OpenSsl({"req", "-x509", "-engine", "gost", "-newkey", algorithm, "-pkeyopt",
               "paramset:" + paramset, "-nodes", "-keyout", "/dev/null", "-utf8", "-multivalue-rdn",
               "-subj", subject, "-days", "365", "-outform", "DER"});
  return std::vector<uint8_t>(der.begin(), der.end());
}

std::string OpenSslPrints(const std::vector<uint8_t>& der,
                          const std::vector<std::string>& options) {
  std::vector<std::string> arguments = {"x509", "-inform", "DER", "-noout"};
  arguments.insert(arguments.end(), options.begin(), options.end());
  const std::string out = OpenSsl(arguments, std::string(der.begin(), der.end()));
  const std::string line = out.substr(0, out.find('\n'));
  return line.substr(line.find('=') + 1);
}

}  // namespace quillfen
