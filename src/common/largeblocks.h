// An allocator for large arrays: the solver's work arrays (the slot array, its scratch) and the
// model grid's fields. Each first touch of a fresh page of memory is a page fault, and on a
// virtual machine each fault costs tens of microseconds: the first solve on a 256 x 512 grid
// spent more time faulting in its few megabytes than solving, and a run that starts on coarser
// grids builds their fields anew at each size. Blocks of at least kLargeBlock bytes are therefore
// rounded up to whole 2 MiB pages, aligned to them and offered to the kernel for transparent huge
// pages, which map the same memory in a few faults (the rounding wastes up to seven eighths of the
// smallest blocks: some megabytes for the fields of a fine grid). Smaller blocks, and systems
// without the hint, take the ordinary allocation.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace tarsen {

/// The huge page, and the size from which a block is placed in huge pages.
inline constexpr std::size_t kHugePage = std::size_t{1} << 21;
inline constexpr std::size_t kLargeBlock = std::size_t{1} << 18;

template <class T> struct LargeBlockAllocator {
    using value_type = T;

    LargeBlockAllocator() = default;
    template <class U> LargeBlockAllocator(const LargeBlockAllocator<U>&) noexcept {}

    T* allocate(std::size_t n)
    {
        if (n > (static_cast<std::size_t>(-1) - kHugePage) / sizeof(T))
            throw std::bad_alloc();
        const std::size_t bytes = n * sizeof(T);
        if (bytes < kLargeBlock)
            return static_cast<T*>(::operator new(bytes));
        // Whole huge pages, so that the hint covers the block's end as well.
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        void* p = std::aligned_alloc(kHugePage, rounded);
        if (!p)
            throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
        (void)madvise(p, rounded, MADV_HUGEPAGE); // a hint: refused, the pages stay small
#endif
        return static_cast<T*>(p);
    }

    void deallocate(T* p, std::size_t n) noexcept
    {
        if (n * sizeof(T) < kLargeBlock)
            ::operator delete(p);
        else
            std::free(p);
    }

    template <class U> bool operator==(const LargeBlockAllocator<U>&) const noexcept
    {
        return true;
    }
};

} // namespace tarsen
