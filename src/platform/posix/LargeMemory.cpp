#include "platform/posix/LargeMemory.h"

#include <sys/mman.h>

namespace platform::posix {
namespace {

constexpr std::size_t kLarge = std::size_t{256} << 10;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

// Whole huge pages: the part of a block past its last whole huge page would
// otherwise come in small pages again.
std::size_t MappedSize(std::size_t bytes) { return (bytes + kHugePage - 1) & ~(kHugePage - 1); }

}  // namespace

void* AllocateLarge(std::size_t bytes) {
  if (bytes < kLarge) return ::operator new(bytes);
  if (bytes > static_cast<std::size_t>(-1) - kHugePage) throw std::bad_alloc();
  const std::size_t mapped = MappedSize(bytes);
  void* memory = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) throw std::bad_alloc();
  ::madvise(memory, mapped, MADV_HUGEPAGE);
  return memory;
}

void FreeLarge(void* memory, std::size_t bytes) noexcept {
  if (memory == nullptr) return;
  if (bytes < kLarge) {
    ::operator delete(memory);
  } else {
    ::munmap(memory, MappedSize(bytes));
  }
}

}  // namespace platform::posix
