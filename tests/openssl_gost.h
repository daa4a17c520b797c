#pragma once

#include <string>
#include <vector>

namespace quillfen {

// OpenSSL's command line with Debian's GOST engine (tools/setup installs
// both): what the tests hold the program's key files against. Each call
// throws std::runtime_error with OpenSSL's own words when it fails.

// What `openssl` with `arguments` writes on its standard output. `input`,
// when given, is put in a file whose name follows the arguments, after "-in"
// or after the last argument when that is "-key".
std::string OpenSsl(std::vector<std::string> arguments, const std::string& input = {});

// A new private key as `openssl genpkey` writes it: "gost2012_256" with
// paramset "XA", and so on.
std::string GenerateGostKey(const std::string& algorithm, const std::string& paramset);

// What `openssl pkey` with `options` makes of the PEM `key`: {} writes it
// again, {"-pubout"} its public key, {"-outform", "DER"} its DER.
std::string OpenSslKey(const std::string& key, const std::vector<std::string>& options);

// A self-signed certificate of the PEM `key`, as DER; with `names`, those
// DNS names as its subjectAltName.
std::string OpenSslCertificate(const std::string& key, const std::vector<std::string>& names = {});

// The public key of the PEM certificate `pem`, as `openssl pkey -pubout`
// writes a key's.
std::string OpenSslCertificatePublicKey(const std::string& pem);

// The PEM of a certificate as DER.
std::string CertificateDer(const std::string& pem);

// The first PEM block labelled `label` in OpenSSL's output, whole; empty
// when there is none.
std::string PemBlock(const std::string& text, const std::string& label);

}  // namespace quillfen
