// Mapped input files that may shrink while they are read: a read beyond the
// new end raises SIGBUS. For a registered mapping the handler maps a page of
// zeros in the faulting page's place and marks the mapping, so that the
// reader goes on and can then see that its input changed. Safe to use from
// several threads (fixed slots claimed with atomics).
#pragma once

#include <cstddef>

// Registers the mapping at [start, start + size); returns its slot, or -1
// when every slot is taken (the caller then reads the file instead).
int WatchMapping(const void* start, std::size_t size);
// Ends the watch of a slot returned by WatchMapping (-1 is ignored).
void UnwatchMapping(int slot);
// True when a read beyond the end of the slot's file was caught.
bool MappingFaulted(int slot);
