#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "conversion/container_key.h"
#include "conversion/contents/certificate.h"
#include "conversion/contents/object_names.h"
#include "support/date_time.h"

namespace quillfen {

// A certificate a container holds: its bytes as stored, and what they say
// when they could be read as a certificate.
struct StoredCertificate {
  std::vector<uint8_t> der;
  std::optional<CertificateContents> contents;
};

// What a container's files say, as far as they could be read: every field
// is empty when its file or element is missing or could not be read, and
// `problems` says what could not be read.
struct ContainerContents {
  // The six usual files: those among the values, those missing, and those
  // without bytes.
  std::vector<std::u16string> files;
  std::vector<std::u16string> missing_files;
  std::vector<std::u16string> empty_files;

  // name.key: the container's own name.
  std::optional<std::u16string> stored_name;

  // header.key.
  bool header_read = false;
  std::optional<NamedOid> algorithm;
  std::optional<NamedOid> curve;
  std::optional<NamedOid> digest;
  // The attribute bits as "101", first bit first.
  std::optional<std::u16string> key_bits;
  std::optional<std::u16string> container_bits;
  std::optional<bool> exportable;
  std::optional<bool> password;
  std::optional<DateTime> key_not_after;
  std::optional<StoredCertificate> certificate;
  std::optional<StoredCertificate> second_certificate;
  // What proves the key: the password's check value ([2]) and primaryFP
  // ([10]), the first bytes of the public key's X.
  std::optional<std::vector<uint8_t>> password_check;
  std::optional<std::vector<uint8_t>> primary_fp;
  // The container's own MACs, which need no password: header.key's over its
  // content, masks.key's and masks2.key's over their salt; nothing where one
  // could not be checked (its file missing or unread, the algorithm unknown).
  std::optional<bool> header_intact, masks_intact, masks2_intact;

  // What could not be read, and why: "header.key (неверный тег)".
  std::vector<std::u16string> problems;

  // A certificate that could be read.
  bool HasCertificate() const { return certificate && certificate->contents; }
};

// Reads the values of one container. Never throws for what the values
// hold; memory that runs out is std::bad_alloc.
ContainerContents ReadContainerContents(std::span<const ContainerValue> values);

// What `key` holds, read from every value its source can give; the values
// it cannot give are among the problems.
ContainerContents ReadKeyContents(ContainerKey& key);

}  // namespace quillfen
