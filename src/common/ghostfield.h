// A field over the model grid with its ghost ring: indices -1 ... n1 by -1 ... n2, first index r.
// Every per-point array of the model (t, f, c, cr, cz, MatMat, the coefficients) uses it.
#pragma once

#include "common/largeblocks.h"

#include <cassert>
#include <cstddef>
#include <vector>

namespace tarsen {

template <class T> class GhostField {
public:
    GhostField() = default;
    /// A field over -1 ... n1 by -1 ... n2 (n1, n2 >= 0), every element set to fill.
    GhostField(int n1, int n2, T fill = T{}) { Resize(n1, n2, fill); }

    /// Reallocate over -1 ... n1 by -1 ... n2, discarding the contents.
    void Resize(int n1, int n2, T fill = T{})
    {
        assert(n1 >= 0 && n2 >= 0);
        m_n1 = n1;
        m_n2 = n2;
        m_stride = static_cast<std::size_t>(n2) + 2;
        m_data.assign((static_cast<std::size_t>(n1) + 2) * m_stride, fill);
    }
    void Clear()
    {
        m_data.clear();
        m_n1 = m_n2 = -1;
        m_stride = 0;
    }

    /// Upper index of the first (r) and second (z) dimension; -1 when unallocated.
    int N1() const { return m_n1; }
    int N2() const { return m_n2; }
    bool Empty() const { return m_data.empty(); }
    /// True when (i, j) lies inside -1 ... N1 by -1 ... N2.
    bool InRange(int i, int j) const
    {
        return !m_data.empty() && i >= -1 && i <= m_n1 && j >= -1 && j <= m_n2;
    }

    T& operator()(int i, int j)
    {
        assert(InRange(i, j));
        return m_data[Index(i, j)];
    }
    const T& operator()(int i, int j) const
    {
        assert(InRange(i, j));
        return m_data[Index(i, j)];
    }

    /// Offset of (i, j) in Data(); neighbours in z are +-1, in r +-Stride().
    std::size_t Index(int i, int j) const
    {
        return static_cast<std::size_t>(i + 1) * m_stride + static_cast<std::size_t>(j + 1);
    }
    std::size_t Stride() const { return m_stride; }
    T* Data() { return m_data.data(); }
    const T* Data() const { return m_data.data(); }
    void Fill(T value) { m_data.assign(m_data.size(), value); }

private:
    int m_n1 = -1;
    int m_n2 = -1;
    std::size_t m_stride = 0;
    std::vector<T, LargeBlockAllocator<T>> m_data; // large fields in huge pages
};

} // namespace tarsen
