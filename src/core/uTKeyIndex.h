#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>

// A hash from ASCII-lower-cased keys to positions in a list, so that a key look-up costs the
// same for ten lines and for a hundred thousand. Only hashes and positions are stored, never
// copies of the keys: the list's own lines are compared on a hash match. The index follows
// appends as they happen; any other change (insert, delete, sort) drops it, and the next
// look-up builds it again from the top. The first line with a matching key wins, as a scan
// from the top would find it.
class TKeyIndex {
public:
    static size_t HashIgnoringCase(std::string_view key);

    void Invalidate() {
        m_valid = false;
        m_positions.clear();
    }

    // A line was appended at `position`; `key` is its key, if it has one.
    void Appended(std::optional<std::string_view> key, int position) {
        if (m_valid && key.has_value())
            m_positions.emplace(HashIgnoringCase(*key), position);
    }

    // `count` lines; keyAt(i) gives line i's key, or nothing when it has none.
    template <typename KeyAt> int Find(std::string_view key, int count, KeyAt keyAt) const;

private:
    template <typename KeyAt> void Build(int count, KeyAt keyAt) const;

    mutable bool m_valid = false;
    mutable std::unordered_multimap<size_t, int> m_positions;
};

bool SameTextIgnoringCase(std::string_view a, std::string_view b);

template <typename KeyAt> void TKeyIndex::Build(int count, KeyAt keyAt) const {
    m_positions.clear();
    m_positions.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        if (const auto key = keyAt(i))
            m_positions.emplace(HashIgnoringCase(*key), i);
    }
    m_valid = true;
}

template <typename KeyAt> int TKeyIndex::Find(std::string_view key, int count, KeyAt keyAt) const {
    if (!m_valid)
        Build(count, keyAt);
    int found = -1;
    const auto [first, last] = m_positions.equal_range(HashIgnoringCase(key));
    for (auto it = first; it != last; ++it) {
        const int position = it->second;
        if (found >= 0 && position > found)
            continue;
        const std::optional<std::string_view> candidate = keyAt(position);
        if (candidate.has_value() && SameTextIgnoringCase(candidate.value(), key))
            found = position;
    }
    return found;
}
