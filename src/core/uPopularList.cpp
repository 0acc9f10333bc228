#include "core/uPopularList.h"

#include <array>

#include "core/uTStringUtils.h"

namespace {
// A whole, non-negative number with surrounding blanks, as the list's writer prints it.
bool ParseWholeNumber(std::string_view text, int64_t& value) {
    const std::string trimmed = TrimSpacesAndControls(text);
    if (trimmed.empty() || trimmed.size() > 18)
        return false;
    value = 0;
    for (const char c : trimmed) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}
} // namespace

bool ParsePopularLine(std::string_view line, TPopularEntry& entry) {
    static constexpr std::string_view separator = "<field>";
    std::array<std::string_view, 6> fields;
    for (size_t i = 0; i < 5; ++i) {
        const size_t at = line.find(separator);
        if (at == std::string_view::npos)
            return false;
        fields[i] = line.substr(0, at);
        line.remove_prefix(at + separator.size());
    }
    fields[5] = line;
    if (!ParseWholeNumber(fields[2], entry.Size) || !ParseWholeNumber(fields[3], entry.Downloads))
        return false;
    entry.Artist = fields[0];
    entry.Title = fields[1];
    entry.Password = fields[4];
    entry.Link = fields[5];
    return true;
}

std::string_view TakeLine(std::string_view& rest) {
    const size_t end = rest.find_first_of("\r\n");
    const std::string_view line = rest.substr(0, end);
    if (end == std::string_view::npos)
        rest = {};
    else
        rest.remove_prefix(end + (rest.substr(end, 2) == "\r\n" ? 2 : 1));
    return line;
}

bool HoldsPopularEntry(std::string_view list) {
    TPopularEntry entry;
    while (!list.empty()) {
        if (ParsePopularLine(TakeLine(list), entry))
            return true;
    }
    return false;
}
