// Advice to the kernel for large buffers that are filled once from front to
// back: back them with huge pages, so that filling them costs fewer page
// faults.
#pragma once

#include <cstddef>

// The size of a huge page on the machines the programs run on.
inline constexpr std::size_t kHugePageSize = std::size_t{2} << 20;

// Asks for huge pages for the whole huge pages inside [start, start + size);
// a smaller or unaligned remainder is left as it is.
void AdviseHugePages(const void* start, std::size_t size);
