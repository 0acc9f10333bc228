#pragma once

#include <algorithm>
#include <cassert>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/uTKeyIndex.h"

// An ordered list of byte-string lines. Lines can also be read as name/value pairs split at
// the first separator character. Look-ups ignore ASCII letter case and return the first
// match from the top; they go through hash indexes, so their cost does not grow with the list.
class TStringList {
public:
    explicit TStringList(char nameValueSeparator = '=') : m_separator(nameValueSeparator) {}

    int Count() const { return static_cast<int>(m_lines.size()); }
    const std::string& Strings(int index) const { return m_lines.at(static_cast<size_t>(index)); }
    const std::vector<std::string>& Lines() const { return m_lines; }

    int Add(std::string line);
    void Insert(int index, std::string line);
    void Delete(int index);
    void Clear();
    void Assign(std::vector<std::string> lines);

    int IndexOf(std::string_view line) const;
    // The part before the first separator; empty when the line has none.
    std::string Names(int index) const;
    // The part after the first separator; empty when the line has none.
    std::string ValueFromIndex(int index) const;
    int IndexOfName(std::string_view name) const;
    std::string Values(std::string_view name) const;

private:
    std::optional<std::string_view> NameOf(int index) const;
    void Changed();

    char m_separator;
    std::vector<std::string> m_lines;
    TKeyIndex m_lineIndex;
    TKeyIndex m_nameIndex;
};

// Whether a list of records frees the records it holds.
enum class TOwnership { Borrowed, Owned };

// Lines with an attached object each, kept in insertion order. Whether the list frees the
// objects is decided by the derived list types below.
template <typename T>
class TStringObjectList {
public:
    struct Entry {
        std::string Line;
        T* Object = nullptr;
    };

    TStringObjectList() = default;
    TStringObjectList(const TStringObjectList&) = delete;
    TStringObjectList& operator=(const TStringObjectList&) = delete;
    ~TStringObjectList() { FreeAll(); }

    int Count() const { return static_cast<int>(m_entries.size()); }
    const std::string& Strings(int index) const { return At(index).Line; }
    T* Objects(int index) const { return At(index).Object; }
    const std::vector<Entry>& Entries() const { return m_entries; }

    int Add(std::string line, T* object = nullptr) {
        m_entries.push_back(Entry{std::move(line), object});
        m_index.Appended(m_entries.back().Line, Count() - 1);
        return Count() - 1;
    }
    // Adds a record the list takes over; only for lists that own their records.
    int Add(std::string line, std::unique_ptr<T> object) {
        return Add(std::move(line), object.release());
    }
    void Insert(int index, std::string line, T* object = nullptr) {
        const size_t at = std::min(static_cast<size_t>(std::max(index, 0)), m_entries.size());
        m_entries.insert(m_entries.begin() + static_cast<std::ptrdiff_t>(at),
                         Entry{std::move(line), object});
        m_index.Invalidate();
    }
    void SetString(int index, std::string line) {
        m_entries.at(static_cast<size_t>(index)).Line = std::move(line);
        m_index.Invalidate();
    }
    void Delete(int index) {
        if (index < 0 || index >= Count())
            return;
        Free(At(index).Object);
        m_entries.erase(m_entries.begin() + index);
        m_index.Invalidate();
    }
    // Deletes every entry for which goes(entry) is true, in one pass, keeping the order.
    template <typename Predicate>
    void DeleteIf(Predicate goes) {
        const auto first = std::stable_partition(m_entries.begin(), m_entries.end(),
                                                 [&goes](const Entry& entry) { return !goes(entry); });
        for (auto entry = first; entry != m_entries.end(); ++entry)
            Free(entry->Object);
        m_entries.erase(first, m_entries.end());
        m_index.Invalidate();
    }
    void Clear() {
        FreeAll();
        m_entries.clear();
        m_index.Invalidate();
    }
    // Takes every entry for which goes(entry) is true off the list in one pass, keeping the
    // order of the rest, and hands their records to the caller (a list that owns them).
    template <typename Predicate>
    std::vector<std::unique_ptr<T>> TakeIf(Predicate goes) {
        assert(m_ownsObjects);
        const auto first = std::stable_partition(m_entries.begin(), m_entries.end(),
                                                 [&goes](const Entry& entry) { return !goes(entry); });
        std::vector<std::unique_ptr<T>> taken;
        taken.reserve(static_cast<size_t>(m_entries.end() - first));
        for (auto entry = first; entry != m_entries.end(); ++entry)
            taken.emplace_back(entry->Object);
        m_entries.erase(first, m_entries.end());
        m_index.Invalidate();
        return taken;
    }
    // Trades entries (and look-ups) with a list of the same ownership.
    void Swap(TStringObjectList& other) noexcept {
        m_entries.swap(other.m_entries);
        std::swap(m_index, other.m_index);
    }
    int IndexOf(std::string_view line) const {
        return m_index.Find(line, Count(),
                            [this](int i) { return std::optional<std::string_view>(At(i).Line); });
    }

    // Stable sort with the owner's comparison: compare(a, b) < 0 puts a before b.
    template <typename Compare>
    void CustomSort(Compare compare) {
        std::stable_sort(m_entries.begin(), m_entries.end(),
                         [&compare](const Entry& a, const Entry& b) { return compare(a, b) < 0; });
        m_index.Invalidate();
    }

protected:
    bool m_ownsObjects = false;

private:
    const Entry& At(int index) const { return m_entries.at(static_cast<size_t>(index)); }
    void Free(T* object) {
        if (m_ownsObjects)
            delete object;
    }
    void FreeAll() {
        for (Entry& entry : m_entries) {
            Free(entry.Object);
            entry.Object = nullptr;
        }
    }

    std::vector<Entry> m_entries;
    TKeyIndex m_index;
};
