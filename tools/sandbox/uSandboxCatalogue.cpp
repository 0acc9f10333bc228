#include "uSandboxCatalogue.h"

#include <algorithm>

#include "uToneMaker.h"

namespace {

using enum TLinkBehaviour;

struct TSongRow {
    int Id;
    const char* Artist;
    const char* Title;
    TLinkBehaviour Link;
};

// Every name here is made up. Titles keep to letters and spaces: the sites put them into
// anchors and file names unescaped, and the parsers take them back byte for byte.
// Velvet Lanterns carry one of each failing kind but the stall, and a good song on every
// site, so one search meets them all; the only stall sits with Ashgrove Signal, away from the
// common test keys. "Blue" and "Lantern" recur across artists so that a key spans several.
// The Quillmakers carry every kind that passes a link check yet tells in a download, with
// two plain good songs beside them. Tobiah Renwick has one song on a host whose certificate
// names another host.
constexpr TSongRow kRows[] = {
    {1, "Velvet Lanterns", "Harbour Lights at Noon", NotFound},
    {2, "Velvet Lanterns", "Paper Comets", Ok},
    {3, "Velvet Lanterns", "Blue Hour Telegram", NoLength},
    {4, "Velvet Lanterns", "Slow Carousel", ZeroLength},
    {5, "Velvet Lanterns", "Midnight Orchard Waltz", Ok},
    {6, "Velvet Lanterns", "Glasshouse Reverie", Ok},
    {7, "Mira Oakhollow", "Fern and Thistle", Ok},
    {8, "Mira Oakhollow", "Blue Lantern Road", Ok},
    {9, "Mira Oakhollow", "Quiet Engines", NotFound},
    {10, "Mira Oakhollow", "Winter Kettle", Ok},
    {11, "The Copper Gulls", "Rust on the Weathervane", Ok},
    {12, "The Copper Gulls", "Gull Song", NoLength},
    {13, "The Copper Gulls", "Tin Roof Sermon", Ok},
    {14, "Jonah Brightwater", "River of Small Coins", Ok},
    {15, "Jonah Brightwater", "Cold Blue Ferry", ZeroLength},
    {16, "Jonah Brightwater", "Lamplighter", Ok},
    {17, "Jonah Brightwater", "Sixteen Pale Moons", Ok},
    {18, "Saffron Tidewell", "Cinnamon Tide", Ok},
    {19, "Saffron Tidewell", "Hollow Bell Lane", Ok},
    {20, "Saffron Tidewell", "Amber Letters", Ok},
    {21, "Northbound Lullaby", "Northern Cradle", NotFound},
    {22, "Northbound Lullaby", "Driftwood Hymn", Ok},
    {23, "Northbound Lullaby", "Snowlight Express", Ok},
    {24, "Northbound Lullaby", "The Long Goodnight", Ok},
    {25, "Ashgrove Signal", "Wire Sky Transmission", Ok},
    {26, "Ashgrove Signal", "Waiting Room Radio", Stall},
    {27, "Ashgrove Signal", "Signal Fires", Ok},
    {28, "Elsa Quennmark", "Marble Stairwell", NoLength},
    {29, "Elsa Quennmark", "Sleepless Meridian", Ok},
    {30, "Elsa Quennmark", "Juniper Fields", Ok},
    {31, "Elsa Quennmark", "Ninefold Echo", ZeroLength},
    {32, "Tobiah Renwick", "Saltwater Arithmetic", Ok},
    {33, "Tobiah Renwick", "Blue Kite Afternoon", Ok},
    {34, "Tobiah Renwick", "Gravel and Gold", Ok},
    {35, "Glass Harbor Choir", "Choir of Cranes", Ok},
    {36, "Glass Harbor Choir", "Evensong for Lighthouses", Ok},
    {37, "Glass Harbor Choir", "Tidal Vespers", Ok},
    {38, "The Quillmakers", "Inkwell Overture", Ok},
    {39, "The Quillmakers", "Promised Thousand", LengthLie},
    {40, "The Quillmakers", "Half a Postcard", Cut},
    {41, "The Quillmakers", "Procession of Snails", Slow},
    {42, "The Quillmakers", "The Endless Scroll", Large},
    {43, "The Quillmakers", "Sealing Wax Serenade", Ok},
    {44, "Tobiah Renwick", "Borrowed Signet", OtherHostCertificate},
};

// Pitch and length follow the id, so files differ in size but never between runs.
TTone ToneFor(int id) {
    return {220.0 + (id * 37) % 660, 2000 + (id * 613) % 4001};
}

// A song as long as songs are (65 s to 125 s, by the id), so that the link check does not take
// it for a preview: the short tone over and over. MPEG frames back to back are one valid
// stream, and the encoder is asked for the few seconds alone.
std::string SongFor(int id) {
    const TTone tone = ToneFor(id);
    const std::string piece = MakeToneMp3(tone);
    const int songMs = 65000 + (id * 7919) % 60000;
    std::string song;
    for (int played = 0; played < songMs; played += tone.DurationMs)
        song += piece;
    return song;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerCopy(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), Lower);
    return out;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && IsSpace(text[at]))
            ++at;
        const size_t start = at;
        while (at < text.size() && !IsSpace(text[at]))
            ++at;
        if (at > start)
            words.emplace_back(text.substr(start, at - start));
    }
    return words;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string Underscored(std::string text) {
    std::replace(text.begin(), text.end(), ' ', '_');
    return text;
}

} // namespace

std::string_view BehaviourName(TLinkBehaviour behaviour) {
    switch (behaviour) {
    case Ok:
        return "ok";
    case NotFound:
        return "not-found";
    case NoLength:
        return "no-length";
    case ZeroLength:
        return "zero-length";
    case Stall:
        return "stall";
    case LengthLie:
        return "length-lie";
    case Cut:
        return "cut";
    case Slow:
        return "slow";
    case Large:
        return "large";
    case OtherHostCertificate:
        return "other-host-certificate";
    }
    return "?";
}

std::string_view EngineName(TSandboxEngine engine) {
    switch (engine) {
    case TSandboxEngine::Muzz:
        return "muzz";
    case TSandboxEngine::Finder:
        return "finder";
    case TSandboxEngine::Mp3Search:
        return "mp3search";
    }
    return "?";
}

std::string_view EngineUrlPrefix(TSandboxEngine engine) {
    switch (engine) {
    case TSandboxEngine::Muzz:
        return "http://www.muzz.test/search?q=";
    case TSandboxEngine::Finder:
        return "https://www.emp3finder.test/search.aspx?q=";
    case TSandboxEngine::Mp3Search:
        return "http://www.mp3search.test/search.php?q=";
    }
    return {};
}

std::string_view EngineUrlSuffix(TSandboxEngine engine) {
    switch (engine) {
    case TSandboxEngine::Muzz:
        return {};
    case TSandboxEngine::Finder:
        return "&page=1";
    case TSandboxEngine::Mp3Search:
        return "&type=mp3";
    }
    return {};
}

std::string_view OutcomeName(TExpectedResult::Outcome outcome) {
    switch (outcome) {
    case TExpectedResult::Outcome::Verified:
        return "verified";
    case TExpectedResult::Outcome::Failed:
        return "failed";
    case TExpectedResult::Outcome::Stalls:
        return "stalls";
    }
    return "?";
}

std::string DecodeKey(std::string_view encoded) {
    std::string out;
    out.reserve(encoded.size());
    for (size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < encoded.size() && HexValue(encoded[i + 1]) >= 0 &&
                   HexValue(encoded[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(encoded[i + 1]) * 16 + HexValue(encoded[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

TSandboxCatalogue::TSandboxCatalogue() {
    m_songs.reserve(std::size(kRows));
    m_mp3s.reserve(std::size(kRows));
    for (const TSongRow& row : kRows) {
        m_songs.push_back({row.Id, row.Artist, row.Title, row.Link});
        m_mp3s.push_back(SongFor(row.Id));
    }
}

const TSandboxSong* TSandboxCatalogue::Find(int id) const {
    const auto at = std::find_if(m_songs.begin(), m_songs.end(),
                                 [id](const TSandboxSong& song) { return song.Id == id; });
    return at == m_songs.end() ? nullptr : &*at;
}

const std::string& TSandboxCatalogue::Mp3(int id) const {
    static const std::string none;
    const TSandboxSong* song = Find(id);
    return song ? m_mp3s[static_cast<size_t>(song - m_songs.data())] : none;
}

bool TSandboxCatalogue::ListedOn(const TSandboxSong& song, TSandboxEngine engine) {
    switch (engine) {
    case TSandboxEngine::Muzz:
        return true;
    case TSandboxEngine::Finder:
        return song.Id % 2 == 0;
    case TSandboxEngine::Mp3Search:
        return song.Id % 3 == 0;
    }
    return false;
}

bool TSandboxCatalogue::Matches(const TSandboxSong& song, std::string_view key) {
    const std::vector<std::string> words = Words(LowerCopy(DecodeKey(key)));
    if (words.empty())
        return false;
    const std::string haystack = LowerCopy(song.Artist + " " + song.Title);
    return std::all_of(words.begin(), words.end(), [&](const std::string& word) {
        return haystack.find(word) != std::string::npos;
    });
}

std::vector<const TSandboxSong*> TSandboxCatalogue::Match(std::string_view key) const {
    std::vector<const TSandboxSong*> found;
    for (const TSandboxSong& song : m_songs) {
        if (Matches(song, key))
            found.push_back(&song);
    }
    return found;
}

std::vector<const TSandboxSong*> TSandboxCatalogue::Match(std::string_view key,
                                                          TSandboxEngine engine) const {
    std::vector<const TSandboxSong*> found = Match(key);
    std::erase_if(found, [engine](const TSandboxSong* song) { return !ListedOn(*song, engine); });
    return found;
}

std::string TSandboxCatalogue::ResultLink(const TSandboxSong& song, TSandboxEngine engine) {
    const std::string id = std::to_string(song.Id);
    switch (engine) {
    case TSandboxEngine::Muzz:
        // The parser splices the anchor text into the path as it stands, spaces and all.
        return "http://" + std::string(kMuzzHost) + "/mp3send/" + song.FullTitle() +
               ".mp3?id=" + id;
    case TSandboxEngine::Finder:
        return "https://" + std::string(kFinderFilesHost) + "/files/" + id + "/" +
               Underscored(song.FullTitle()) + ".mp3";
    case TSandboxEngine::Mp3Search:
        return "http://" + std::string(kMp3SearchFilesHost) + "/get/" + id + ".mp3";
    }
    return {};
}

std::string TSandboxCatalogue::DetailLink(const TSandboxSong& song, TSandboxEngine engine) {
    const std::string id = std::to_string(song.Id);
    switch (engine) {
    case TSandboxEngine::Muzz:
        return {};
    case TSandboxEngine::Finder:
        return "https://" + std::string(kFinderHost) + "/dsong.aspx?id=" + id + "&s=1";
    case TSandboxEngine::Mp3Search:
        return "http://" + std::string(kMp3SearchHost) + "/download.php?id=" + id;
    }
    return {};
}

std::vector<TExpectedResult> TSandboxCatalogue::ExpectedResults(std::string_view key) const {
    std::vector<TExpectedResult> results;
    const std::vector<const TSandboxSong*> songs = Match(key);
    for (const TSandboxEngine engine : kAllEngines) {
        for (const TSandboxSong* song : songs) {
            if (!ListedOn(*song, engine))
                continue;
            TExpectedResult result;
            result.Engine = EngineName(engine);
            result.Title = song->FullTitle();
            result.Link = ResultLink(*song, engine);
            result.SongId = song->Id;
            // A check reads no further than the headers: a 200 that names a length is all
            // it asks for, whatever the body does afterwards.
            const TExpectedDownload download = ExpectedDownload(song->Id);
            if (download.Status == 200 && download.AnnouncedLength > 0) {
                result.Check = TExpectedResult::Outcome::Verified;
                result.Size = download.AnnouncedLength;
            } else {
                result.Check = download.Stalls ? TExpectedResult::Outcome::Stalls
                                               : TExpectedResult::Outcome::Failed;
            }
            results.push_back(std::move(result));
        }
    }
    return results;
}

TExpectedDownload TSandboxCatalogue::ExpectedDownload(int id) const {
    TExpectedDownload download;
    const TSandboxSong* song = Find(id);
    if (!song) {
        download.Status = 404;
        return download;
    }
    const std::string& mp3 = Mp3(id);
    const auto size = static_cast<int64_t>(mp3.size());
    download.Status = 200;
    download.AnnouncedLength = size;
    download.BodySent = size;
    switch (song->Link) {
    case Ok:
        break;
    case NotFound:
        download.Status = 404;
        download.AnnouncedLength = -1;
        download.BodySent = 0;
        break;
    case NoLength:
        download.AnnouncedLength = -1;
        break;
    case ZeroLength:
        download.AnnouncedLength = 0;
        download.BodySent = 0;
        break;
    case Stall:
    case OtherHostCertificate:
        download.Status = 0;
        download.Stalls = song->Link == Stall;
        download.AnnouncedLength = -1;
        download.BodySent = 0;
        break;
    case LengthLie:
        download.AnnouncedLength = size + kLengthLieExtra;
        break;
    case Cut:
        download.BodySent = size / 2;
        break;
    case Slow:
        download.MinDurationMs =
            SlowPauseMs(id) * static_cast<int>((mp3.size() - 1) / kSlowSliceBytes);
        break;
    case Large:
        download.AnnouncedLength = size * LargeRepeats(id);
        download.BodySent = download.AnnouncedLength;
        break;
    }
    download.Completes = download.Status == 200 && download.AnnouncedLength > 0 &&
                         download.BodySent == download.AnnouncedLength;
    if (download.Completes) {
        download.Size = download.AnnouncedLength;
        download.Piece = mp3;
        download.Repeats = LargeRepeats(id);
        if (song->Link != Large)
            download.Bytes = mp3;
    }
    return download;
}

std::string TSandboxCatalogue::ServedBody(int id) const {
    const TExpectedDownload download = ExpectedDownload(id);
    if (download.Status != 200)
        return {};
    const std::string& mp3 = Mp3(id);
    if (download.BodySent <= static_cast<int64_t>(mp3.size()))
        return mp3.substr(0, static_cast<size_t>(download.BodySent));
    std::string body;
    body.reserve(static_cast<size_t>(download.BodySent));
    for (int64_t i = LargeRepeats(id); i > 0; --i)
        body += mp3;
    return body;
}

int TSandboxCatalogue::SlowPauseMs(int id) const {
    const size_t size = Mp3(id).size();
    const size_t pauses = size > kSlowSliceBytes ? (size - 1) / kSlowSliceBytes : 1;
    return kSlowBodyMs / static_cast<int>(pauses);
}

int64_t TSandboxCatalogue::LargeRepeats(int id) const {
    const TSandboxSong* song = Find(id);
    const auto size = static_cast<int64_t>(Mp3(id).size());
    if (!song || song->Link != Large || size == 0)
        return 1;
    // MPEG frames back to back are still one valid stream, so copies of the short tone make a
    // long file that plays, without the server holding more than the one copy.
    return std::max<int64_t>(1, kLargeTargetBytes / size);
}

const TSandboxCatalogue& SandboxCatalogue() {
    static const TSandboxCatalogue catalogue;
    return catalogue;
}

std::vector<TExpectedResult> ExpectedResults(std::string_view key) {
    return SandboxCatalogue().ExpectedResults(key);
}
