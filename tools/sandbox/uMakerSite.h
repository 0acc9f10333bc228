#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "uSandboxCatalogue.h"

// What the program's own home server hands out: the first-run notes, the most-popular list
// and the help pages. TSandboxSite serves them; tests read them from here.
inline constexpr std::string_view kMakerSiteHost = "www.orvalo.test";
inline constexpr std::string_view kMakerFirstRunPath = "/orvalo/data/firstrunv850.txt";
inline constexpr std::string_view kMakerAllFirstRunPath = "/firstrun/allfirstrun.txt";
inline constexpr std::string_view kMakerMostPopularPath = "/orvalo/data/mostpopular.txt";
inline constexpr std::string_view kHelpPaths[] = {"/orvalo/index.htm", "/orvalo/quickstart.htm",
                                                  "/orvalo/faq.htm"};

inline constexpr std::string_view kFirstRunBody = "f\r\n";
inline constexpr std::string_view kAllFirstRunBody = "ok\r\n";

// The most-popular list: one song a line, lines ended by CR LF, six fields a line joined by
// kPopularSeparator: artist, title, size, downloads, password, link.
inline constexpr std::string_view kPopularSeparator = "<field>";
inline constexpr std::string_view kPopularKey = "vitalis lorem";

// Adds kPopularKey to the bytes, modulo 256, its first byte to the first byte and cycling.
std::string ScrambleForMaker(std::string_view plain);

struct TPopularEntry {
    const TSandboxSong* Song = nullptr;
    int64_t Size = 0; // the length of the file behind Link
    int64_t Downloads = 0;
    std::string Password; // empty for most
    std::string Link;     // on files.mp3search.test, which serves every song
};

// Songs whose downloads complete, most downloaded first.
std::vector<TPopularEntry> MostPopular(const TSandboxCatalogue& catalogue = SandboxCatalogue());
std::string MostPopularPlain(const TSandboxCatalogue& catalogue = SandboxCatalogue());
std::string MostPopularScrambled(const TSandboxCatalogue& catalogue = SandboxCatalogue());

// The help page at a path of kHelpPaths; empty for any other path.
std::string MakerHelpPage(std::string_view path);
