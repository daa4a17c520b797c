#include "tests/test_certificates.h"

#include <stdexcept>

#include "tests/run_program.h"

namespace quillfen {
namespace {

constexpr char kOpenSsl[] = "/usr/bin/openssl";

}  // namespace

std::vector<uint8_t> GenerateCertificate(const std::string& subject, const std::string& algorithm,
                                         const std::string& paramset) {
  TempDir dir;
  const auto result = RunProgram(kOpenSsl, {"req",
                                            "-x509",
                                            "-engine",
                                            "gost",
                                            "-newkey",
                                            algorithm,
                                            "-pkeyopt",
                                            "paramset:" + paramset,
                                            "-nodes",
                                            "-keyout",
                                            (dir / "key.pem").string(),
                                            "-utf8",
                                            "-multivalue-rdn",
                                            "-subj",
                                            subject,
                                            "-days",
                                            "365",
                                            "-outform",
                                            "DER",
                                            "-out",
                                            (dir / "cert.der").string()});
  if (result.exit_status != 0) throw std::runtime_error("openssl req failed: " + result.err);
  const std::string der = ReadBinaryFile(dir / "cert.der");
  return std::vector<uint8_t>(der.begin(), der.end());
}

std::string OpenSslPrints(const std::vector<uint8_t>& der,
                          const std::vector<std::string>& options) {
  TempDir dir;
  WriteBinaryFile(dir / "cert.der", std::string(der.begin(), der.end()));
  std::vector<std::string> arguments = {
      "x509", "-inform", "DER", "-in", (dir / "cert.der").string(), "-noout"};
  arguments.insert(arguments.end(), options.begin(), options.end());
  const auto result = RunProgram(kOpenSsl, arguments);
  if (result.exit_status != 0) throw std::runtime_error("openssl x509 failed: " + result.err);
  std::string line = result.out.substr(0, result.out.find('\n'));
  return line.substr(line.find('=') + 1);
}

}  // namespace quillfen
