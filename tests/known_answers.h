#pragma once

#include <string>
#include <vector>

namespace quillfen {

// The containers of tests/data/known-answers, written by an independent
// writer, as hex of their fields: what a reader must make of them.
struct KnownAnswer {
  const char* directory;
  const char* algorithm_oid;
  const char* curve_oid;
  const char* password;
  const char* private_key;  // big-endian, as its README lists it
  const char* primary_fp;
  const char* check_value;
  const char* mask;
  const char* salt;
  const char* masks_mac;
  const char* encrypted;
  const char* mask2;
  const char* salt2;
  const char* masks2_mac;
  const char* encrypted2;
  const char* public_key;  // X ‖ Y little-endian, from NAME.pub.pem
};

const std::vector<KnownAnswer>& KnownAnswers();

}  // namespace quillfen
