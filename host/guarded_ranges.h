#pragma once

// The mapped ranges whose reads a fault handler may turn into zeros, on
// POSIX (SIGBUS) and on Windows (EXCEPTION_IN_PAGE_ERROR) alike. The
// handlers read the table while anything may be under way, so it is only
// atomics in fixed slots: no lock, no allocation.
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace quillfen {

struct GuardedRange {
  std::atomic<uintptr_t> begin{0};
  std::atomic<uintptr_t> end{0};
  std::atomic<bool> damaged{false};
  std::atomic<long> status{0};  // what the failed read said, where the host tells
};

class GuardedRanges {
 public:
  static constexpr size_t kSlots = 8;

  // Claims a slot for [begin, begin + size); false when every slot is taken
  // and the range goes unguarded.
  static bool Add(const char* begin, size_t size, size_t* slot) {
    for (size_t i = 0; i < kSlots; ++i) {
      uintptr_t expected = 0;
      if (slots_[i].begin.compare_exchange_strong(expected, uintptr_t(begin))) {
        slots_[i].end = uintptr_t(begin) + size;
        slots_[i].damaged = false;
        *slot = i;
        return true;
      }
    }
    return false;
  }
  static void Remove(size_t slot) {
    slots_[slot].end = 0;
    slots_[slot].begin = 0;
  }
  static const GuardedRange& At(size_t slot) { return slots_[slot]; }
  // Every slot, for the handler to look the faulting address up in.
  static GuardedRange (&All())[kSlots] { return slots_; }

 private:
  static inline GuardedRange slots_[kSlots];
};

}  // namespace quillfen
