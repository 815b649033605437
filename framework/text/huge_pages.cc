#include "framework/text/huge_pages.h"

#include <sys/mman.h>

#include <cstdint>

void AdviseHugePages(const void* start, std::size_t size) {
  const std::uintptr_t huge = kHugePageSize;
  auto begin = reinterpret_cast<std::uintptr_t>(start);
  std::uintptr_t first = (begin + huge - 1) & ~(huge - 1);
  std::uintptr_t last = (begin + size) & ~(huge - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}
