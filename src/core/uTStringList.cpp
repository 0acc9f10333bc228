#include "core/uTStringList.h"

#include "core/uTStringUtils.h"

int TStringList::Add(std::string line) {
    m_lines.push_back(std::move(line));
    const int index = Count() - 1;
    m_lineIndex.Appended(m_lines.back(), index);
    m_nameIndex.Appended(NameOf(index), index);
    return index;
}

void TStringList::Clear() {
    m_lines.clear();
    Changed();
}

void TStringList::Assign(std::vector<std::string> lines) {
    m_lines = std::move(lines);
    Changed();
}

void TStringList::Changed() {
    m_lineIndex.Invalidate();
    m_nameIndex.Invalidate();
}

std::optional<std::string_view> TStringList::NameOf(int index) const {
    const std::string_view line = m_lines[static_cast<size_t>(index)];
    const size_t at = line.find(m_separator);
    if (at == std::string_view::npos)
        return std::nullopt;
    return line.substr(0, at);
}

void TStringList::Insert(int index, std::string line) {
    const size_t at = std::min(static_cast<size_t>(std::max(index, 0)), m_lines.size());
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    Changed();
}

void TStringList::Delete(int index) {
    if (index < 0 || index >= Count())
        return;
    m_lines.erase(m_lines.begin() + index);
    Changed();
}

int TStringList::IndexOf(std::string_view line) const {
    return m_lineIndex.Find(line, Count(), [this](int i) {
        return std::optional<std::string_view>(m_lines[static_cast<size_t>(i)]);
    });
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
    return m_nameIndex.Find(name, Count(), [this](int i) { return NameOf(i); });
}

std::string TStringList::Values(std::string_view name) const {
    const int index = IndexOfName(name);
    return index < 0 ? std::string() : ValueFromIndex(index);
}
