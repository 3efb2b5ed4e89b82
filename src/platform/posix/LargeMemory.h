#pragma once
// Linux only: memory for the big tables built from a large user.reg. Blocks of a
// quarter megabyte and more come straight from the kernel, rounded up to whole
// 2 MB pages and backed by transparent huge pages where the system allows:
// faulting in thousands of small pages costs more than filling them.

#include <cstddef>
#include <new>

namespace platform::posix {

// `bytes` of memory, released with FreeLarge and the same size. Throws
// std::bad_alloc when there is none.
void* AllocateLarge(std::size_t bytes);
void FreeLarge(void* memory, std::size_t bytes) noexcept;

// A standard allocator over AllocateLarge, for containers that grow large.
template <class T>
struct LargeAllocator {
  using value_type = T;

  LargeAllocator() = default;
  template <class U>
  explicit LargeAllocator(const LargeAllocator<U>& /*other*/) noexcept {}

  T* allocate(std::size_t count) {
    if (count > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(AllocateLarge(count * sizeof(T)));
  }
  void deallocate(T* memory, std::size_t count) noexcept { FreeLarge(memory, count * sizeof(T)); }

  template <class U>
  bool operator==(const LargeAllocator<U>& /*other*/) const noexcept {
    return true;
  }
};

}  // namespace platform::posix
