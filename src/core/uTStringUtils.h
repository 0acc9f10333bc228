#pragma once

#include <string>
#include <string_view>

// Position search and field extraction on byte strings. Positions count bytes from 1;
// 0 means "not found". The engine parsers depend on the exact edge behaviour here.
class TStringUtils {
public:
    // 1-based position of the first occurrence of `sub` that begins at or after `from`, or 0.
    static int FindFrom(std::string_view text, std::string_view sub, int from);

    // Field number `index` (from 1) of `text` split at each occurrence of `separator`,
    // or an empty string when there are fewer fields or the arguments are out of range.
    static std::string GetField(std::string_view text, std::string_view separator, int index);
};

// ASCII-only letter-case folding: byte strings are compared without any locale.
char AsciiLower(char c);
std::string AsciiLowerCopy(std::string_view text);
bool SameTextIgnoringCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);
// Orders two byte strings with A-Z folded to a-z, byte by byte as unsigned values, a string
// before any longer one it begins: negative, 0 or positive.
int CompareIgnoringCase(std::string_view a, std::string_view b);

// A title as two sites would both write it: A-Z folded, punctuation and runs of spaces made
// one space, trimmed ("Velvet Lanterns -  Paper Comets!" and "velvet lanterns paper comets"
// are the same song). Bytes above 127 stay as they are.
std::string NormalizedTitle(std::string_view title);

// Text of a web page as its writer meant it: the character references "&amp;" "&lt;" "&gt;"
// "&quot;" "&apos;" "&nbsp;" (a plain space), "&#39;" and "&#x2019;" turned into their
// characters (as UTF-8). Anything that is no well-formed reference stays as written.
std::string DecodeHtmlEntities(std::string_view text);

// Removes surrounding spaces and control bytes (everything at or below 0x20).
std::string TrimSpacesAndControls(std::string_view text);

// The two ways the window writes a time, both here. A length, a playing position or a time
// left, as a player shows it: "m:ss", from an hour on "h:mm:ss"; below zero counts as zero.
std::string PlayTime(long long seconds);
// The search page's running clock: "hh:mm:ss" with at least two digits each; hours are not
// wrapped at 24.
std::string FormatElapsed(long long seconds);
// A song named for a person: "Artist - Title", or the title alone without an artist.
std::string ArtistAndTitle(const std::string& artist, const std::string& title);
