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
    // Kinds only a download tells apart from Ok: the headers promise the whole file.
    LengthLie, // 200, Content-Length kLengthLieExtra above the MP3 it sends, then closes
    Cut,       // 200, correct Content-Length, closes after half the MP3
    Slow,      // 200, correct Content-Length, the MP3 in kSlowSliceBytes slices with pauses
    Large,     // 200, correct Content-Length, the MP3 repeated to about kLargeTargetBytes
    // Moved to kMirrorHost (a redirect in the scheme it was asked in), whose certificate
    // names another host: a client that checks certificates never gets the file.
    OtherHostCertificate,
};
std::string_view BehaviourName(TLinkBehaviour behaviour);

inline constexpr int64_t kLengthLieExtra = 1000;
inline constexpr size_t kSlowSliceBytes = 4096;
// A slow body takes this long from its first slice to its last: long enough to watch a
// download's progress and cancel it, short enough for a test to sit through.
inline constexpr int kSlowBodyMs = 6000;
inline constexpr int64_t kLargeTargetBytes = int64_t(32) << 20;

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
inline constexpr std::string_view kMirrorHost = "mirror.renwickfiles.test";
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

// What a GET of a song's file link yields, on any of the three hosts.
struct TExpectedDownload {
    int Status = 0;               // 200 or 404; 0 when the file never comes
    bool Stalls = false;          // the host takes the request and never answers
    int64_t AnnouncedLength = -1; // the Content-Length of a 200; -1 when it sends none
    int64_t BodySent = 0;         // bytes of the file sent before the host closes
    int MinDurationMs = 0;        // the least time those bytes take to arrive

    // A download must end with the whole file exactly when the answer is a 200 whose
    // Content-Length is above 0 and the body fills it; anything else is a failed download.
    bool Completes = false;
    int64_t Size = 0;  // the finished file's length; 0 unless Completes
    std::string Bytes; // the finished file, unless Completes is false or the song is Large
    // The finished file is Piece repeated Repeats times, Large included, so a 32 MiB file can
    // be checked a piece at a time. Piece points into the catalogue.
    std::string_view Piece;
    int64_t Repeats = 0;
};

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

    // How the file hosts answer a GET of the song's link (a 404 for an unknown id).
    TExpectedDownload ExpectedDownload(int id) const;
    // The body of that answer as sent, whether or not it fills the announced length; empty
    // for a 404 or a stall. Built on each call: for a Large song that is 32 MiB.
    std::string ServedBody(int id) const;
    // The pause between the slices of a Slow song's body, so the whole takes kSlowBodyMs.
    int SlowPauseMs(int id) const;
    // How many copies of its MP3 a Large song's body holds (1 for any other song).
    int64_t LargeRepeats(int id) const;

private:
    std::vector<TSandboxSong> m_songs;
    std::vector<std::string> m_mp3s; // parallel to m_songs
};

// The one catalogue of the process, built on first use (it encodes every MP3 then).
const TSandboxCatalogue& SandboxCatalogue();

// Shorthand for SandboxCatalogue().ExpectedResults(key).
std::vector<TExpectedResult> ExpectedResults(std::string_view key);
