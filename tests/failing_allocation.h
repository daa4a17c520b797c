#pragma once

#include <cstddef>

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

}  // namespace quillfen
