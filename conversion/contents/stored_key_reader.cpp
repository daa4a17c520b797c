#include "conversion/contents/stored_key_reader.h"

#include "support/der.h"

namespace quillfen {

std::optional<StoredKey> ReadStoredKey(std::span<const uint8_t> masks,
                                       std::span<const uint8_t> primary) {
  std::vector<std::vector<uint8_t>> elements;
  std::optional<StoredKey> stored;
  try {
    const DerStructure mask = DerStructure::Decode("MasksKey", masks);
    // What may follow the key in primary.key is not needed to unlock it.
    elements = DerElements(primary);
    if (!elements.empty()) {
      stored = StoredKey{mask.Bytes("mask"), mask.Bytes("salt"), mask.Bytes("mac"),
                         DerStructure::Decode("GostPrivateKeyOctets", elements.front()).Bytes("")};
    }
  } catch (const DerError&) {
  }
  for (auto& element : elements) Wipe(element);
  return stored;
}

std::optional<bool> MasksFileIntact(KeyFamily family, std::span<const uint8_t> masks) {
  try {
    const DerStructure read = DerStructure::Decode("MasksKey", masks);
    return MasksIntact(family,
                       StoredKey{read.Bytes("mask"), read.Bytes("salt"), read.Bytes("mac"), {}});
  } catch (const DerError&) {
    return std::nullopt;
  }
}

}  // namespace quillfen
