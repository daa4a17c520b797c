#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillfen {

// The test binary's operator new can be told to fail once, so that every
// allocation of a run can be made to fail in turn, as a machine without
// memory would make it fail.

// Counts allocations from now on, without failing any.
void CountAllocations();
// Allocations counted since CountAllocations or FailAllocation, and the
// bytes they asked for.
size_t CountedAllocations();
size_t CountedBytes();
// The `n`-th allocation from now (1-based) throws std::bad_alloc; those after
// it succeed again.
void FailAllocation(size_t n);
// Neither counts nor fails any more.
void StopCountingAllocations();

// Memory given back is looked at for secrets: from WatchFreedMemory on,
// every block freed (by free, by operator delete, by a library) is searched
// for each of `secrets`, which live until the watch ends and are made
// before it, and every block handed out is cleared first, so that only
// what was put there since can be found. CanWatchFreedMemory is false
// where the allocator cannot be watched: under the sanitizers, which keep
// their own, and outside glibc.
bool CanWatchFreedMemory();
void WatchFreedMemory(const std::vector<std::vector<uint8_t>>& secrets);
// The same, and `encoded` too, except in the blocks libtasn1's encoder
// frees itself: asn1_der_coding copies the structure it encodes and frees
// the copy unwiped, out of the program's reach.
void WatchFreedMemory(const std::vector<std::vector<uint8_t>>& secrets,
                      const std::vector<std::vector<uint8_t>>& encoded);
// How many blocks freed since held a secret; the watch ends.
size_t FreedBlocksWithASecret();

}  // namespace quillfen
