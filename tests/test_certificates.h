#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillfen {

// A self-signed certificate for a new GOST key, made by OpenSSL's GOST
// engine: `subject` as openssl's -subj takes it, UTF-8 and with "+" joining
// the attributes of one name part; `algorithm` "gost2001", "gost2012_256"
// or "gost2012_512" with its `paramset` ("A", "XA" …). Throws when OpenSSL
// fails.
std::vector<uint8_t> GenerateCertificate(const std::string& subject,
                                         const std::string& algorithm = "gost2012_256",
                                         const std::string& paramset = "A");

// What `openssl x509 -inform DER OPTION -noout` prints of `der`, the text
// after the first "=" of its one line: "-serial", "-fingerprint -sha1",
// "-startdate" …
std::string OpenSslPrints(const std::vector<uint8_t>& der, const std::vector<std::string>& options);

}  // namespace quillfen
