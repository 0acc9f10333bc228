#pragma once

#include <cstdint>
#include <string>

namespace TagLib {
class IOStream;
}

// What a downloaded or listed file really holds. Search sites hand out HTML error pages,
// previews and cut transfers under song names; the check tells them from songs by what is
// inside, never by the name.
enum class TContentKind {
    Mp3,         // MPEG audio with a length
    HtmlPage,    // a web page saved under the song's name
    Empty,       // no bytes at all
    UnknownData, // bytes that are neither
    NotAFile,    // a folder, pipe, device or socket: never opened
    TooLarge,    // beyond kLargestChecked: not looked into
    Unreadable,  // gone, or not ours to read
};

struct TContentVerdict {
    TContentKind Kind = TContentKind::Unreadable;
    // Audio figures, 0 unless Kind is Mp3.
    int BitrateKbps = 0;
    int SampleRateHz = 0;
    int LengthMs = 0;
    // From the ID3 (or APE) tags, UTF-8, trimmed; empty when the tags do not say.
    std::string Artist;
    std::string Title;
    std::string Album;

    bool IsMp3() const { return Kind == TContentKind::Mp3; }
    // Sites pass off their 30-second samples as the song.
    bool MaybePreview() const;
};

// Songs shorter than this are suspected previews.
inline constexpr int kPreviewBelowMs = 30000;
// The most a check reads of one file, however large or hostile it is. A song needs a few
// kilobytes (its tags, first frames and end); the tag reader looks for audio byte by byte
// through whatever it is given, so junk costs time in proportion to this.
inline constexpr int64_t kContentReadBudget = 128 * 1024;
// Files beyond this are not looked into. The bytes read stay within the budget whatever the
// size, but the tag reader walks back from the end of a file that starts like audio in steps
// of a kilobyte, read or not: about a third of a second a gigabyte. Three hours of music at
// the highest bit rate still fit.
inline constexpr int64_t kLargestChecked = int64_t(512) << 20;

// Checks the file at `path` (bytes, as the file system names it) on the calling thread. Only
// a plain file is opened, and never written; any failure is a verdict.
TContentVerdict CheckContent(const std::string& path);
// The same check over any stream of bytes; it reads at most kContentReadBudget of it.
TContentVerdict CheckContent(TagLib::IOStream& stream);

// The verdict as the window words it: "MP3, 128 kbps, 3:25", "Short: 0:12, maybe a
// preview", "Not an MP3 file: an HTML page", "Too large to check", ...
std::string VerdictText(const TContentVerdict& verdict);
// "Artist - Title" when the tags hold both, else empty.
std::string ArtistTitle(const TContentVerdict& verdict);
// "3:25", or "1:02:03" from an hour on; whole seconds, rounded down.
std::string LengthText(int lengthMs);
