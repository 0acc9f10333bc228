#include "core/uTStringUtils.h"

#include <algorithm>
#include <cstdio>

int TStringUtils::FindFrom(std::string_view text, std::string_view sub, int from) {
    if (text.empty() || sub.empty() || from <= 0 || static_cast<size_t>(from) > text.size())
        return 0;
    const size_t found = text.find(sub, static_cast<size_t>(from) - 1);
    if (found == std::string_view::npos)
        return 0;
    return static_cast<int>(found) + 1;
}

std::string TStringUtils::GetField(std::string_view text, std::string_view separator,
                                   int index) {
    if (text.empty() || separator.empty() || index <= 0)
        return {};
    std::string_view rest = text;
    for (int i = 1;; ++i) {
        const size_t at = rest.find(separator);
        if (i == index)
            return std::string(at == std::string_view::npos ? rest : rest.substr(0, at));
        if (at == std::string_view::npos)
            return {};
        rest.remove_prefix(at + separator.size());
    }
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string AsciiLowerCopy(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = AsciiLower(c);
    return out;
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && SameTextIgnoringCase(text.substr(0, prefix.size()), prefix);
}

int CompareIgnoringCase(std::string_view a, std::string_view b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(AsciiLower(a[i]));
        const auto y = static_cast<unsigned char>(AsciiLower(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string NormalizedTitle(std::string_view title) {
    std::string out;
    out.reserve(title.size());
    bool gap = false;
    for (const char c : title) {
        const auto byte = static_cast<unsigned char>(c);
        const bool kept = byte >= 0x80 || (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') ||
                          (byte >= 'A' && byte <= 'Z');
        if (!kept) {
            gap = !out.empty();
            continue;
        }
        if (gap)
            out += ' ';
        gap = false;
        out += AsciiLower(c);
    }
    return out;
}

std::string TrimSpacesAndControls(std::string_view text) {
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    size_t first = 0;
    size_t last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    return std::string(text.substr(first, last - first));
}

std::string FormatElapsed(long long seconds) {
    const long long hours = seconds / 3600;
    const long long minutes = (seconds / 60) % 60;
    const long long secs = seconds % 60;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2lld:%.2lld:%.2lld", hours, minutes, secs);
    return buffer;
}
