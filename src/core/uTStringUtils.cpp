#include "core/uTStringUtils.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <utility>

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

namespace {

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The character a numeric reference's digits name; 0 when they name none that text may hold.
uint32_t NumericReference(std::string_view digits, bool hex) {
    if (digits.empty() || digits.size() > 8)
        return 0;
    uint32_t code = 0;
    for (const char c : digits) {
        int value = -1;
        if (c >= '0' && c <= '9')
            value = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            value = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            value = c - 'A' + 10;
        if (value < 0)
            return 0;
        code = code * (hex ? 16 : 10) + static_cast<uint32_t>(value);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code > 0x10FFFF || surrogate ? 0 : code;
}

// The text of the reference that starts `text` (after its "&", up to its ";"), or nothing.
std::optional<std::string> Reference(std::string_view name) {
    static const std::pair<std::string_view, std::string_view> kNamed[] = {
        {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
    if (name.size() > 1 && name[0] == '#') {
        const bool hex = name[1] == 'x' || name[1] == 'X';
        const uint32_t code = NumericReference(name.substr(hex ? 2 : 1), hex);
        if (code == 0)
            return std::nullopt;
        std::string character;
        AppendUtf8(character, code);
        return character;
    }
    for (const auto& [named, character] : kNamed) {
        if (name == named)
            return std::string(character);
    }
    return std::nullopt;
}

} // namespace

std::string DecodeHtmlEntities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const size_t amp = text.find('&', at);
        if (amp == std::string_view::npos) {
            out.append(text.substr(at));
            break;
        }
        out.append(text.substr(at, amp - at));
        // The longest reference decoded here is "&#x10FFFF;".
        const size_t semicolon = text.substr(amp, 12).find(';');
        const std::optional<std::string> character =
            semicolon == std::string_view::npos ? std::nullopt : Reference(text.substr(amp + 1, semicolon - 1));
        if (character) {
            out += *character;
            at = amp + semicolon + 1;
        } else {
            out += '&';
            at = amp + 1;
        }
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

std::string PlayTime(long long seconds) {
    seconds = std::max(0LL, seconds);
    char text[48];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
    return text;
}

std::string ArtistAndTitle(const std::string& artist, const std::string& title) {
    return artist.empty() ? title : artist + " - " + title;
}

std::string FormatElapsed(long long seconds) {
    const long long hours = seconds / 3600;
    const long long minutes = (seconds / 60) % 60;
    const long long secs = seconds % 60;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2lld:%.2lld:%.2lld", hours, minutes, secs);
    return buffer;
}
