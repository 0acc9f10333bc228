#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// How a song's file host answers a download or a link check.
enum class TLinkBehaviour {
    Ok,         // 200, correct Content-Length, the MP3 bytes
    NotFound,   // 404 with a small HTML page
    NoLength,   // 200 and the MP3 bytes, but no Content-Length
    ZeroLength, // 200 with "Content-Length: 0" and no body
    Stall,      // takes the request and never answers until the server stops
};
std::string_view BehaviourName(TLinkBehaviour behaviour);

// The three stand-in search sites. Each has its own result page and link form.
enum class TSandboxEngine { Muzz, Finder, Mp3Search };
inline constexpr TSandboxEngine kAllEngines[] = {TSandboxEngine::Muzz, TSandboxEngine::Finder,
                                                 TSandboxEngine::Mp3Search};
// "muzz", "finder", "mp3search".
std::string_view EngineName(TSandboxEngine engine);

inline constexpr std::string_view kMuzzHost = "www.muzz.test";
inline constexpr std::string_view kFinderHost = "www.emp3finder.test";
inline constexpr std::string_view kFinderFilesHost = "dl.finderfiles.test";
inline constexpr std::string_view kMp3SearchHost = "www.mp3search.test";
inline constexpr std::string_view kMp3SearchFilesHost = "files.mp3search.test";

// What the program's engine list puts before and after the key for each site.
std::string_view EngineUrlPrefix(TSandboxEngine engine);
std::string_view EngineUrlSuffix(TSandboxEngine engine);

struct TSandboxSong {
    int Id = 0;
    std::string Artist;
    std::string Title;
    TLinkBehaviour Link = TLinkBehaviour::Ok;

    // "Artist - Title", the way every site names a song.
    std::string FullTitle() const { return Artist + " - " + Title; }
};

// One result a search for a key must produce, in the order the engines report them.
struct TExpectedResult {
    enum class Outcome { Verified, Failed, Stalls };

    std::string Engine; // EngineName: "muzz", "finder", "mp3search"
    std::string Title;  // "Artist - Title"
    std::string Link;   // the address the engine's parser hands on, byte for byte
    Outcome Check = Outcome::Failed;
    int64_t Size = 0; // the MP3's byte length when Check is Verified, otherwise 0
    int SongId = 0;
};
std::string_view OutcomeName(TExpectedResult::Outcome outcome);

// Turns '+' into a space and every %XX into its byte; a '%' without two hex digits stays.
std::string DecodeKey(std::string_view encoded);

// The fixed song list and the MP3 behind every song. Immutable once built, so any number of
// server threads may read it.
class TSandboxCatalogue {
public:
    TSandboxCatalogue();

    const std::vector<TSandboxSong>& Songs() const { return m_songs; }
    const TSandboxSong* Find(int id) const;
    // The song's file; empty for an unknown id.
    const std::string& Mp3(int id) const;

    static bool ListedOn(const TSandboxSong& song, TSandboxEngine engine);
    // A key (as typed, or as sent: it is decoded first) matches a song when each of its words
    // occurs in "Artist Title", ignoring ASCII case. A key without words matches nothing.
    static bool Matches(const TSandboxSong& song, std::string_view key);
    // The songs a key matches, in catalogue order, which is also the order on every page.
    std::vector<const TSandboxSong*> Match(std::string_view key) const;
    std::vector<const TSandboxSong*> Match(std::string_view key, TSandboxEngine engine) const;

    // The address each engine's parser produces for a song.
    static std::string ResultLink(const TSandboxSong& song, TSandboxEngine engine);
    // The detail page a two-stage engine fetches for a song (empty for Muzz).
    static std::string DetailLink(const TSandboxSong& song, TSandboxEngine engine);

    std::vector<TExpectedResult> ExpectedResults(std::string_view key) const;

private:
    std::vector<TSandboxSong> m_songs;
    std::vector<std::string> m_mp3s; // parallel to m_songs
};

// The one catalogue of the process, built on first use (it encodes every MP3 then).
const TSandboxCatalogue& SandboxCatalogue();

// Shorthand for SandboxCatalogue().ExpectedResults(key).
std::vector<TExpectedResult> ExpectedResults(std::string_view key);
