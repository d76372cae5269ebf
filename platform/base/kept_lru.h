// A small keyed store of recently used results, looked up by hash, dropping
// the least recently used ones beyond a budget. Each entry has a cost (1 by
// default, or its bytes); the store holds at most `budget` in all, and an
// entry dearer than the whole budget is not kept. Pointers it hands out stay
// valid until that entry is dropped: by a Put beyond the budget or by Clear.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <unordered_map>
#include <utility>

#include "platform/base/hash.h"

namespace platform {

// Key must be equality comparable; `hash` is given with every call, worked
// out by the caller from the same fields the equality compares.
template <class Key, class Value>
class KeptLru {
public:
    explicit KeptLru(std::size_t budget) : m_budget(budget) {}
    KeptLru(const KeptLru&) = delete;
    KeptLru& operator=(const KeptLru&) = delete;

    // The value kept for `key`, now the most recently used, or null.
    Value* Find(const Key& key, std::uint64_t hash) {
        auto [from, to] = m_index.equal_range(hash);
        for (auto it = from; it != to; ++it)
            if (it->second->key == key) {
                m_items.splice(m_items.begin(), m_items, it->second);
                ++m_hits;
                return &it->second->value;
            }
        ++m_misses;
        return nullptr;
    }

    // Keeps `value` for `key` (which must not be kept yet) and returns it;
    // drops the least recently used entries beyond the budget. An entry
    // dearer than the budget is handed back in `spare` and not kept.
    Value* Put(Key key, std::uint64_t hash, Value value, std::size_t cost = 1) {
        if (cost > m_budget) {
            m_spare = std::move(value);
            return &m_spare;
        }
        while (!m_items.empty() && m_cost + cost > m_budget) DropLast();
        m_items.push_front(Item{std::move(key), hash, std::move(value), cost});
        m_index.emplace(hash, m_items.begin());
        m_cost += cost;
        return &m_items.front().value;
    }

    void Clear() {
        m_items.clear();
        m_index.clear();
        m_cost = 0;
    }
    std::size_t Count() const { return m_items.size(); }
    std::size_t Cost() const { return m_cost; }
    std::size_t Hits() const { return m_hits; }
    std::size_t Misses() const { return m_misses; }

private:
    struct Item {
        Key key;
        std::uint64_t hash;
        Value value;
        std::size_t cost;
    };
    void DropLast() {
        const auto last = std::prev(m_items.end());
        auto [from, to] = m_index.equal_range(last->hash);
        for (auto it = from; it != to; ++it)
            if (it->second == last) {
                m_index.erase(it);
                break;
            }
        m_cost -= last->cost;
        m_items.pop_back();
    }

    std::size_t m_budget;
    std::size_t m_cost = 0;
    std::size_t m_hits = 0, m_misses = 0;
    std::list<Item> m_items;  // most recently used first
    std::unordered_multimap<std::uint64_t, typename std::list<Item>::iterator> m_index;
    Value m_spare;
};

}  // namespace platform
