#include "core/uTStringList.h"

#include "core/uTStringUtils.h"

int TStringList::Add(std::string line) {
    m_lines.push_back(std::move(line));
    return Count() - 1;
}

void TStringList::Insert(int index, std::string line) {
    const size_t at = std::min(static_cast<size_t>(std::max(index, 0)), m_lines.size());
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

void TStringList::Delete(int index) {
    if (index < 0 || index >= Count())
        return;
    m_lines.erase(m_lines.begin() + index);
}

int TStringList::IndexOf(std::string_view line) const {
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (SameTextIgnoringCase(m_lines[i], line))
            return static_cast<int>(i);
    }
    return -1;
}

std::string TStringList::Names(int index) const {
    const std::string& line = Strings(index);
    const size_t at = line.find(m_separator);
    return at == std::string::npos ? std::string() : line.substr(0, at);
}

std::string TStringList::ValueFromIndex(int index) const {
    const std::string& line = Strings(index);
    const size_t at = line.find(m_separator);
    return at == std::string::npos ? std::string() : line.substr(at + 1);
}

int TStringList::IndexOfName(std::string_view name) const {
    for (int i = 0; i < Count(); ++i) {
        const size_t at = m_lines[static_cast<size_t>(i)].find(m_separator);
        if (at != std::string::npos &&
            SameTextIgnoringCase(std::string_view(m_lines[static_cast<size_t>(i)]).substr(0, at), name))
            return i;
    }
    return -1;
}

std::string TStringList::Values(std::string_view name) const {
    const int index = IndexOfName(name);
    return index < 0 ? std::string() : ValueFromIndex(index);
}
