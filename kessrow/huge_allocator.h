// An allocator for large arrays that are filled once: an array of a huge
// page or more is aligned to huge pages and advised to use them, so that
// filling it costs a page fault for every two megabytes instead of one for
// every four kilobytes. Smaller arrays are allocated as usual.
#pragma once

#include <cstddef>
#include <new>

#include "framework/text/huge_pages.h"

template <typename T> class THugeAllocator {
public:
  using value_type = T;

  THugeAllocator() = default;
  template <typename U> THugeAllocator(const THugeAllocator<U>&) {}

  // Room for n elements, not initialised.
  T* allocate(std::size_t n) {
    std::size_t bytes = n * sizeof(T);
    if (bytes < kHugePageSize) return static_cast<T*>(::operator new(bytes));
    void* p = ::operator new (bytes, std::align_val_t{kHugePageSize});
    AdviseHugePages(p, bytes);
    return static_cast<T*>(p);
  }
  // Frees what allocate(n) gave.
  void deallocate(T* p, std::size_t n) {
    if (n * sizeof(T) < kHugePageSize)
      ::operator delete(p);
    else
      ::operator delete (p, std::align_val_t{kHugePageSize});
  }
  template <typename U> bool operator==(const THugeAllocator<U>&) const { return true; }
};
