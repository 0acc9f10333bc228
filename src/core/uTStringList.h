#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

// An ordered list of byte-string lines. Lines can also be read as name/value pairs split at
// the first separator character. Look-ups ignore ASCII letter case, scan from the top and
// return the first match.
class TStringList {
public:
    explicit TStringList(char nameValueSeparator = '=') : m_separator(nameValueSeparator) {}

    int Count() const { return static_cast<int>(m_lines.size()); }
    const std::string& Strings(int index) const { return m_lines.at(static_cast<size_t>(index)); }
    const std::vector<std::string>& Lines() const { return m_lines; }
    char NameValueSeparator() const { return m_separator; }

    int Add(std::string line);
    void Insert(int index, std::string line);
    void Delete(int index);
    void Clear() { m_lines.clear(); }
    void Assign(std::vector<std::string> lines) { m_lines = std::move(lines); }

    int IndexOf(std::string_view line) const;
    // The part before the first separator; empty when the line has none.
    std::string Names(int index) const;
    // The part after the first separator; empty when the line has none.
    std::string ValueFromIndex(int index) const;
    int IndexOfName(std::string_view name) const;
    std::string Values(std::string_view name) const;

private:
    char m_separator;
    std::vector<std::string> m_lines;
};

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
        return Count() - 1;
    }
    void Insert(int index, std::string line, T* object = nullptr) {
        const size_t at = std::min(static_cast<size_t>(std::max(index, 0)), m_entries.size());
        m_entries.insert(m_entries.begin() + static_cast<std::ptrdiff_t>(at),
                         Entry{std::move(line), object});
    }
    void Delete(int index) {
        if (index < 0 || index >= Count())
            return;
        Free(At(index).Object);
        m_entries.erase(m_entries.begin() + index);
    }
    void Clear() {
        FreeAll();
        m_entries.clear();
    }
    int IndexOf(std::string_view line) const;

    // Stable sort with the owner's comparison: compare(a, b) < 0 puts a before b.
    template <typename Compare>
    void CustomSort(Compare compare) {
        std::stable_sort(m_entries.begin(), m_entries.end(),
                         [&compare](const Entry& a, const Entry& b) { return compare(a, b) < 0; });
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
};

bool SameTextIgnoringCase(std::string_view a, std::string_view b);

template <typename T>
int TStringObjectList<T>::IndexOf(std::string_view line) const {
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (SameTextIgnoringCase(m_entries[i].Line, line))
            return static_cast<int>(i);
    }
    return -1;
}
