#include "tests/openssl_gost.h"

#include <stdexcept>

#include "tests/run_program.h"

namespace quillfen {

std::string OpenSsl(std::vector<std::string> arguments, const std::string& input) {
  TempDir directory;
  if (!input.empty()) {
    WriteBinaryFile(directory / "in", input);
    if (arguments.back() != "-key") arguments.push_back("-in");
    arguments.push_back((directory / "in").string());
  }
  const ProgramResult result = RunProgram("/usr/bin/openssl", arguments);
  if (result.exit_status != 0) throw std::runtime_error("openssl: " + result.err);
  return result.out;
}

std::string GenerateGostKey(const std::string& algorithm, const std::string& paramset) {
  return OpenSsl(
      {"genpkey", "-engine", "gost", "-algorithm", algorithm, "-pkeyopt", "paramset:" + paramset});
}

std::string OpenSslKey(const std::string& key, const std::vector<std::string>& options) {
  std::vector<std::string> arguments = {"pkey", "-engine", "gost"};
  arguments.insert(arguments.end(), options.begin(), options.end());
  return OpenSsl(arguments, key);
}

std::string OpenSslCertificate(const std::string& key, const std::vector<std::string>& names) {
  std::vector<std::string> arguments = {"req",   "-engine",           "gost",  "-new", "-x509",
                                        "-subj", "/CN=Quillfen test", "-days", "3650", "-outform",
                                        "DER"};
  if (!names.empty()) {
    std::string alternatives = "subjectAltName=";
    for (const auto& name : names) alternatives += (&name == &names[0] ? "DNS:" : ",DNS:") + name;
    arguments.insert(arguments.end(), {"-addext", alternatives});
  }
  arguments.push_back("-key");
  return OpenSsl(arguments, key);
}

std::string OpenSslCertificatePublicKey(const std::string& pem) {
  return OpenSsl({"x509", "-engine", "gost", "-pubkey", "-noout"}, pem);
}

std::string CertificateDer(const std::string& pem) {
  return OpenSsl({"x509", "-outform", "DER"}, pem);
}

std::string PemBlock(const std::string& text, const std::string& label) {
  const std::string begin = "-----BEGIN " + label + "-----\n";
  const std::string end = "-----END " + label + "-----\n";
  const size_t from = text.find(begin);
  const size_t to = text.find(end, from);
  if (from == std::string::npos || to == std::string::npos) return {};
  return text.substr(from, to + end.size() - from);
}

}  // namespace quillfen
