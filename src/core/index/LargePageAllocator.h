#pragma once
#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <new>

namespace fw {

// An allocator for the sorter's large arrays of numbers: from 1 MiB on, the room is rounded
// up to and aligned to 2 MiB and the kernel is asked to back it with large pages where it offers them
// (transparent huge pages in "madvise" mode). Filled once from the first byte to the last,
// such an array otherwise takes one page fault per 4 KiB, which on virtual machines costs
// more than the counting the array serves. Smaller arrays come from operator new.
template <class T>
struct LargePageAllocator {
  using value_type = T;
  static constexpr std::size_t kLargePage = std::size_t(2) << 20;
  static constexpr std::size_t kLeast = kLargePage / 2;

  LargePageAllocator() = default;
  template <class U>
  LargePageAllocator(const LargePageAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    const std::size_t bytes = n * sizeof(T);
    if (bytes < kLeast) return static_cast<T*>(::operator new(bytes));
    const std::size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
    void* room = std::aligned_alloc(kLargePage, rounded);
    if (!room) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    ::madvise(room, rounded, MADV_HUGEPAGE);
#endif
    return static_cast<T*>(room);
  }
  void deallocate(T* p, std::size_t n) noexcept {
    if (n * sizeof(T) < kLeast)
      ::operator delete(p);
    else
      std::free(p);
  }
  template <class U>
  bool operator==(const LargePageAllocator<U>&) const noexcept {
    return true;
  }
};

}  // namespace fw
