#include "tests/failing_allocation.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
#include <dlfcn.h>
#include <elf.h>
#include <execinfo.h>
#include <link.h>
#include <malloc.h>
#define QUILLFEN_WATCH_FREED_MEMORY 1
// glibc's own allocator, below the one this file puts in front of it.
extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_realloc(void* memory, size_t size);
extern "C" void __libc_free(void* memory);
#endif

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

namespace {

std::atomic<bool> watching{false};
const std::vector<std::vector<uint8_t>>* watched = nullptr;
const std::vector<std::vector<uint8_t>>* encoded_watched = nullptr;
size_t blocks_with_a_secret = 0;

}  // namespace

#ifdef QUILLFEN_WATCH_FREED_MEMORY
bool CanWatchFreedMemory() { return true; }
#else
bool CanWatchFreedMemory() { return false; }
#endif

void WatchFreedMemory(const std::vector<std::vector<uint8_t>>& secrets) {
  static const std::vector<std::vector<uint8_t>> kNone;
  WatchFreedMemory(secrets, kNone);
}

void WatchFreedMemory(const std::vector<std::vector<uint8_t>>& secrets,
                      const std::vector<std::vector<uint8_t>>& encoded) {
#ifdef QUILLFEN_WATCH_FREED_MEMORY
  // The first walk of the stack loads what walks it, which allocates.
  void* frames[1];
  backtrace(frames, 1);
#endif
  watched = &secrets;
  encoded_watched = &encoded;
  blocks_with_a_secret = 0;
  watching = true;
}

size_t FreedBlocksWithASecret() {
  watching = false;
  watched = nullptr;
  encoded_watched = nullptr;
  return blocks_with_a_secret;
}

}  // namespace quillfen

#ifdef QUILLFEN_WATCH_FREED_MEMORY
namespace {

bool Holds(void* memory, size_t size, const std::vector<std::vector<uint8_t>>& secrets) {
  return std::any_of(secrets.begin(), secrets.end(), [&](const auto& secret) {
    return !secret.empty() && ::memmem(memory, size, secret.data(), secret.size()) != nullptr;
  });
}

// True when the block being freed goes within libtasn1's asn1_der_coding,
// found by the symbol each return address lies in, and its size.
bool FreedByTheEncoder() {
  void* frames[24];
  const int count = backtrace(frames, 24);
  for (int i = 1; i < count; ++i) {
    Dl_info info{};
    ElfW(Sym)* symbol = nullptr;
    if (dladdr1(frames[i], &info, reinterpret_cast<void**>(&symbol), RTLD_DL_SYMENT) == 0 ||
        symbol == nullptr || info.dli_sname == nullptr) {
      continue;
    }
    const auto offset =
        static_cast<size_t>(static_cast<char*>(frames[i]) - static_cast<char*>(info.dli_saddr));
    if (std::strcmp(info.dli_sname, "asn1_der_coding") == 0 && offset < symbol->st_size) {
      return true;
    }
  }
  return false;
}

}  // namespace

extern "C" void* malloc(size_t size) {
  void* memory = __libc_malloc(size);
  if (memory != nullptr && quillfen::watching.load(std::memory_order_relaxed)) {
    std::memset(memory, 0, malloc_usable_size(memory));
  }
  return memory;
}

extern "C" void free(void* memory) {
  if (memory != nullptr && quillfen::watching.load(std::memory_order_relaxed)) {
    const size_t size = malloc_usable_size(memory);
    if (Holds(memory, size, *quillfen::watched) ||
        (Holds(memory, size, *quillfen::encoded_watched) && !FreedByTheEncoder())) {
      ++quillfen::blocks_with_a_secret;
    }
  }
  __libc_free(memory);
}

// While watching, a block that moves is freed here, where it is looked at.
extern "C" void* realloc(void* memory, size_t size) {
  if (memory == nullptr || !quillfen::watching.load(std::memory_order_relaxed)) {
    return __libc_realloc(memory, size);
  }
  if (size == 0) {
    free(memory);
    return nullptr;
  }
  void* moved = malloc(size);
  if (moved == nullptr) return nullptr;
  std::memcpy(moved, memory, std::min(size, malloc_usable_size(memory)));
  free(memory);
  return moved;
}
#endif

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
