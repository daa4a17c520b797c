#include "tests/failing_allocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

// Over-aligned allocations keep the library's own pair of new and delete;
// nothing under test makes them.

namespace quillfen {
namespace {

std::atomic<bool> counting{false};
std::atomic<size_t> counted{0};
std::atomic<size_t> counted_bytes{0};
std::atomic<size_t> failing{0};

void* Allocate(std::size_t size) {
  if (counting.load(std::memory_order_relaxed)) {
    const size_t n = counted.fetch_add(1) + 1;
    counted_bytes += size;
    if (n == failing.load()) throw std::bad_alloc();
  }
  if (size == 0) size = 1;
  void* memory = std::malloc(size);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}

}  // namespace

void CountAllocations() { FailAllocation(0); }

size_t CountedAllocations() { return counted.load(); }

size_t CountedBytes() { return counted_bytes.load(); }

void FailAllocation(size_t n) {
  counting = false;
  counted = 0;
  counted_bytes = 0;
  failing = n;
  counting = true;
}

void StopCountingAllocations() {
  counting = false;
  failing = 0;
}

}  // namespace quillfen

void* operator new(std::size_t size) { return quillfen::Allocate(size); }
void* operator new[](std::size_t size) { return quillfen::Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return quillfen::Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return quillfen::Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
