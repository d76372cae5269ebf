// Sums of row heights and column widths are taken in 64 bits; what the grid
// stores or hands to the window layer is cut to the int range.
//
// SizeArray holds the sizes of a grid's rows (or columns) by index, with their
// running sums in a Fenwick tree, so that with a million rows one size changes
// and one span or running-sum search is answered in O(log n). Writing a size
// through the index operator keeps the sums; a change that moves many sizes at
// once (resize, move, swap) only marks them, and the next question rebuilds
// them in one O(n) pass. Each size counts at most INT_MAX towards a sum, as the
// grid's getters report it.
#pragma once

#include <algorithm>
#include <climits>
#include <cstddef>
#include <utility>
#include <vector>

#include "platform/base/types.h"

namespace grid_sums {
inline int Clamp(long long value) { return int(std::clamp<long long>(value, INT_MIN, INT_MAX)); }
// Room for n elements in `v`, growing by half again or more, and with an
// eighth to spare when many come at once: elements added a few at a time then
// cost the same however many there are, also the first few after a large
// count was set (which would otherwise move the whole array at once). Room
// that is never written takes no memory of the machine's in a large block.
template <typename Vector>
void Reserve(Vector& v, size_t n) {
    if (v.capacity() < n) v.reserve(std::max(n + n / 8, v.capacity() * 3 / 2));
}
}  // namespace grid_sums

class SizeArray {
public:
    // What the index operator hands out for writing: a write keeps the sums.
    class Ref {
    public:
        Ref(SizeArray* owner, size_t index) : m_owner(owner), m_index(index) {}
        operator UINT() const { return m_owner->m_values[m_index]; }
        Ref& operator=(UINT value) {
            m_owner->Set(m_index, value);
            return *this;
        }
        Ref& operator=(const Ref& other) { return *this = UINT(other); }

    private:
        SizeArray* m_owner;
        size_t m_index;
    };

    size_t size() const { return m_values.size(); }
    bool empty() const { return m_values.empty(); }
    UINT operator[](size_t i) const { return m_values[i]; }
    Ref operator[](size_t i) { return Ref(this, i); }

    // Shrinking, or growing by a few sizes, keeps the sums (a few steps a
    // size); growing by many rebuilds them at the next question. Throws
    // std::bad_alloc before any change.
    void resize(size_t n, UINT value = 0) {
        const size_t old = m_values.size();
        if (n == old) return;
        if (n < old && !m_stale && m_tree.size() == old) {
            // Node k sums sizes at or below k: the nodes that stay are right.
            for (size_t i = n; i < old; ++i) m_total -= Counted(m_values[i]);
            m_values.resize(n);
            m_tree.resize(n);
            return;
        }
        const bool extend = n > old && !m_stale && m_tree.size() == old && n - old <= old / 8 + 64;
        reserve(n);
        if (extend) grid_sums::Reserve(m_tree, n);
        m_values.resize(n, value);
        if (!extend) {
            m_stale = true;
            return;
        }
        // Node k holds the sizes (k - lowbit(k), k]: the new size and the
        // nodes just below it, which lie near the end (a few steps a size on
        // average, in memory that was touched last).
        for (size_t k = old + 1; k <= n; ++k) {
            long long node = Counted(value);
            const size_t floor = k - (k & (~k + 1));
            for (size_t j = k - 1; j > floor; j -= j & (~j + 1)) node += m_tree[j - 1];
            m_tree.push_back(node);
        }
        m_total += Counted(value) * static_cast<long long>(n - old);
    }
    void clear() {
        m_values.clear();
        m_tree.clear();
        m_total = 0;
        m_stale = false;
    }
    void swap(SizeArray& other) noexcept {
        m_values.swap(other.m_values);
        m_tree.swap(other.m_tree);
        std::swap(m_total, other.m_total);
        std::swap(m_stale, other.m_stale);
    }
    // Room for n sizes, growing by half again or more.
    void reserve(size_t n) { grid_sums::Reserve(m_values, n); }

    // Sets one size (O(log n) while the sums are current).
    void Set(size_t i, UINT value) {
        const long long delta = Counted(value) - Counted(m_values[i]);
        m_values[i] = value;
        if (m_stale || delta == 0) return;
        m_total += delta;
        for (size_t k = i + 1; k <= m_tree.size(); k += k & (~k + 1)) m_tree[k - 1] += delta;
    }
    // Exchanges two sizes.
    void Swap(size_t a, size_t b) {
        const UINT va = m_values[a];
        Set(a, m_values[b]);
        Set(b, va);
    }
    // Takes the size at `from` out and puts it back at index `to`.
    void Move(size_t from, size_t to) {
        if (from == to || from >= m_values.size() || to >= m_values.size()) return;
        const UINT moved = m_values[from];
        m_values.erase(m_values.begin() + std::ptrdiff_t(from));
        m_values.insert(m_values.begin() + std::ptrdiff_t(to), moved);
        m_stale = true;
    }
    // The stored sizes themselves, for a caller that rearranges many at once;
    // the sums are rebuilt at the next question.
    std::vector<UINT>& Raw() {
        m_stale = true;
        return m_values;
    }

    // Sum of the sizes [first, last), both cut to the array.
    long long Sum(long long first, long long last) const {
        first = std::max(first, 0LL);
        last = std::min(last, static_cast<long long>(m_values.size()));
        if (last <= first) return 0;
        if (first == 0 && last == static_cast<long long>(m_values.size())) {
            Fresh();
            return m_total;
        }
        // A few sizes (the fixed rows, a scroll's step) are added up directly.
        if (last - first <= kDirectSpan) {
            long long sum = 0;
            for (long long i = first; i < last; ++i) sum += Counted(m_values[size_t(i)]);
            return sum;
        }
        return Prefix(size_t(last)) - Prefix(size_t(first));
    }
    // The smallest k in [0, size] whose prefix Sum(0, k) reaches `target`;
    // size() when none does.
    size_t LowerBound(long long target) const {
        if (target <= 0) return 0;
        Fresh();
        size_t pos = 0;  // Sum(0, pos) < target
        long long below = 0;
        size_t step = 1;
        while (step * 2 <= m_tree.size()) step *= 2;
        for (; step > 0; step /= 2) {
            const size_t next = pos + step;
            if (next <= m_tree.size() && below + m_tree[next - 1] < target) {
                pos = next;
                below += m_tree[next - 1];
            }
        }
        return std::min(pos + 1, m_values.size());
    }

private:
    static constexpr long long kDirectSpan = 16;
    static long long Counted(UINT value) { return std::min<long long>(value, INT_MAX); }

    long long Prefix(size_t n) const {
        Fresh();
        long long sum = 0;
        for (size_t k = n; k > 0; k -= k & (~k + 1)) sum += m_tree[k - 1];
        return sum;
    }
    void Fresh() const {
        if (!m_stale && m_tree.size() == m_values.size()) return;
        // The sums get the room the sizes have, so sizes added next keep them.
        if (m_tree.capacity() < m_values.capacity()) m_tree.reserve(m_values.capacity());
        m_tree.assign(m_values.size(), 0);
        m_total = 0;
        for (UINT value : m_values) m_total += Counted(value);
        for (size_t k = 1; k <= m_tree.size(); ++k) {
            m_tree[k - 1] += Counted(m_values[k - 1]);
            const size_t parent = k + (k & (~k + 1));
            if (parent <= m_tree.size()) m_tree[parent - 1] += m_tree[k - 1];
        }
        m_stale = false;
    }

    std::vector<UINT> m_values;
    mutable std::vector<long long> m_tree;  // 1-based Fenwick tree, stored from 0
    mutable long long m_total = 0;  // all sizes, while the sums are current
    mutable bool m_stale = false;
};
