#pragma once

#include <cstdint>
#include <string_view>

// One line of the most-popular list the maker's server publishes: six fields separated by
// "<field>" (artist, title, size, downloads, password, link), the last running to the end of
// the line. The views point into the line.
struct TPopularEntry {
    std::string_view Artist;
    std::string_view Title;
    int64_t Size = 0;
    int64_t Downloads = 0;
    std::string_view Password;
    std::string_view Link;
};

// Reads one line (without its line break). False for a line the server's writer would never
// make: a blank one, one with fewer than six fields, one whose size or download count is no
// whole number.
bool ParsePopularLine(std::string_view line, TPopularEntry& entry);

// The next line of `rest` (up to CR, LF or CR LF), which is removed from `rest` with its break.
std::string_view TakeLine(std::string_view& rest);

// Whether an unscrambled list holds at least one well-formed line.
bool HoldsPopularEntry(std::string_view list);
