#pragma once

namespace quillfen {

// Owns a C library's handle (a pointer type `T`) and releases it with
// `Release` when it goes: for the libraries' create/destroy pairs.
template <typename T, void (*Release)(T)>
class OwnedHandle {
 public:
  OwnedHandle() = default;
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  ~OwnedHandle() { Reset(nullptr); }

  // Where the library puts a new handle.
  T* Out() { return &value_; }
  void Reset(T value) {
    if (value_ != nullptr) Release(value_);
    value_ = value;
  }
  operator T() const { return value_; }

 private:
  T value_ = nullptr;
};

}  // namespace quillfen
