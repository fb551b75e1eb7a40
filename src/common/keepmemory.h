// The programs keep the memory they free for their own next use. Runs allocate and free fields
// and work arrays of megabytes (a run to a residual builds a coarser grid's at each size, every
// run of a sweep its own), and memory handed back to the system comes back as fresh pages, whose
// every first touch is a fault: on a virtual machine more than 10 us per page. Kept in the
// process's heap, freed blocks serve the next allocation instead.
#pragma once

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tarsen {

/// Blocks below this size come from the heap and go back to it; the heap is given back to the
/// system only above the second size.
inline constexpr int kHeapBlocksBelow = 64 << 20;
inline constexpr int kKeptHeap = 256 << 20;

/// Call once at the start of a program, before its threads start.
inline void KeepFreedMemory()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, kHeapBlocksBelow);
    mallopt(M_TRIM_THRESHOLD, kKeptHeap);
#endif
}

} // namespace tarsen
