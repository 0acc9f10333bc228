#include "uMakerSite.h"

namespace {

struct TPopularRow {
    int SongId;
    int64_t Downloads;
    const char* Password;
};

// Good songs from many artists, the slow one among them so that a download started from the
// list can be watched and cancelled. Counts fall steeply, as real charts do.
constexpr TPopularRow kPopularRows[] = {
    {29, 48213, ""}, {2, 41877, ""},       {18, 39502, "amber"}, {41, 35110, ""}, {8, 30964, ""},
    {14, 27481, ""}, {36, 24017, "crane"}, {23, 21730, ""},      {11, 18845, ""}, {33, 16302, ""},
    {7, 13977, ""},  {25, 11240, ""},      {38, 9388, "quill"},
};

std::string Page(std::string_view title, std::string_view body) {
    return "<html>\n<head><title>" + std::string(title) + "</title></head>\n<body>\n<h1>" +
           std::string(title) + "</h1>\n" + std::string(body) +
           "<p><a href=\"index.htm\">Help contents</a></p>\n</body>\n</html>\n";
}

} // namespace

std::string ScrambleForMaker(std::string_view plain) {
    std::string out(plain);
    for (size_t i = 0; i < out.size(); ++i) {
        const auto sum = static_cast<unsigned char>(out[i]) +
                         static_cast<unsigned char>(kPopularKey[i % kPopularKey.size()]);
        out[i] = static_cast<char>(sum & 0xff);
    }
    return out;
}

std::vector<TPopularEntry> MostPopular(const TSandboxCatalogue& catalogue) {
    std::vector<TPopularEntry> entries;
    for (const TPopularRow& row : kPopularRows) {
        const TSandboxSong* song = catalogue.Find(row.SongId);
        if (!song)
            continue;
        TPopularEntry entry;
        entry.Song = song;
        entry.Size = catalogue.ExpectedDownload(row.SongId).Size;
        entry.Downloads = row.Downloads;
        entry.Password = row.Password;
        entry.Link = TSandboxCatalogue::ResultLink(*song, TSandboxEngine::Mp3Search);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string MostPopularPlain(const TSandboxCatalogue& catalogue) {
    std::string text;
    const std::string separator(kPopularSeparator);
    for (const TPopularEntry& entry : MostPopular(catalogue)) {
        text += entry.Song->Artist + separator + entry.Song->Title + separator +
                std::to_string(entry.Size) + separator + std::to_string(entry.Downloads) +
                separator + entry.Password + separator + entry.Link + "\r\n";
    }
    return text;
}

std::string MostPopularScrambled(const TSandboxCatalogue& catalogue) {
    return ScrambleForMaker(MostPopularPlain(catalogue));
}

std::string MakerHelpPage(std::string_view path) {
    if (path == kHelpPaths[0]) {
        return Page("Orvalo Help",
                    "<p>Orvalo finds MP3 files on the search sites of its engine list, checks "
                    "that each link answers, downloads the ones you pick and plays them.</p>\n"
                    "<ul>\n"
                    "<li><a href=\"quickstart.htm\">Quick start</a>: search, download, play</li>\n"
                    "<li><a href=\"faq.htm\">Questions and answers</a></li>\n"
                    "</ul>\n");
    }
    if (path == kHelpPaths[1]) {
        return Page(
            "Orvalo Quick Start",
            "<h2>Searching</h2>\n"
            "<p>Type a few words of an artist or a title, for example <i>paper comets</i>, and "
            "press Search. Every site of the engine list is asked at once; results arrive as "
            "each site answers.</p>\n"
            "<p>Each link is checked while you look: a checked link shows the file's size, a "
            "link that does not answer with a file is marked failed.</p>\n"
            "<h2>Downloading</h2>\n"
            "<p>Pick a checked result and press Download. The download list shows how much has "
            "arrived and how fast. A download that breaks off is marked failed; start it again "
            "to fetch the file from the first byte.</p>\n"
            "<h2>The play list</h2>\n"
            "<p>Finished downloads join the play list. Double-click a song to play it, or use "
            "the play and stop buttons above the list.</p>\n");
    }
    if (path == kHelpPaths[2]) {
        return Page(
            "Orvalo Questions and Answers",
            "<h2>Why do some results say failed?</h2>\n"
            "<p>The site that holds the file did not answer with it, or did not say how large "
            "it is. Orvalo only offers files whose size it knows.</p>\n"
            "<h2>Why did a download stop part-way?</h2>\n"
            "<p>The site closed the connection before the whole file had arrived. Try again "
            "later, or pick the same song from another site.</p>\n"
            "<h2>What is the most-popular list?</h2>\n"
            "<p>The songs Orvalo users fetch most, refreshed when the program starts.</p>\n"
            "<h2>Where do my files go?</h2>\n"
            "<p>Into the download folder chosen in the options.</p>\n");
    }
    return {};
}
