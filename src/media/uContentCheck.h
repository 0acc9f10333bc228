#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What a downloaded or listed file really holds. Search sites hand out HTML error pages,
// previews and cut transfers under song names; the check tells them from songs by what is
// inside, never by the name. The audio is read by a decoder library's own frame parser, frame
// by frame; a header that states a length is a claim held against the frames there are.
enum class TContentKind {
    Mp3,         // MPEG audio Layer III with a length
    MpegAudio,   // MPEG audio of Layer I or II: played, but no MP3
    HtmlPage,    // a web page saved under the song's name
    Empty,       // no bytes at all
    UnknownData, // bytes that are none of these
    NotAFile,    // a folder, pipe, device or socket: never opened
    TooLarge,    // beyond kLargestChecked: not looked into
    Unreadable,  // gone, or not ours to read
};

struct TContentVerdict {
    TContentKind Kind = TContentKind::Unreadable;
    // Audio figures, 0 unless the kind is audio: the layer (1 to 3), the average rate over
    // the frames, and the length the frames there are play for.
    int Layer = 0;
    int BitrateKbps = 0;
    int LengthMs = 0;
    // What the file's info header (Xing, LAME) says the whole song lasts; 0 without one.
    int ClaimedLengthMs = 0;
    // The frames' sample rate, in Hz (audio only).
    int SampleRateHz = 0;
    // The figures come from the headers alone (a quick look), not from every frame.
    bool Estimated = false;
    // The length is reckoned from the file's size and the rate of its first frames (no info
    // header states it): an estimate, "about" so long.
    bool LengthGuessed = false;
    // From the ID3 (or APE) tags, UTF-8, trimmed; empty when the tags do not say.
    std::string Artist;
    std::string Title;
    std::string Album;

    bool IsMp3() const { return Kind == TContentKind::Mp3; }
    bool IsAudio() const { return IsMp3() || Kind == TContentKind::MpegAudio; }
    // The file holds fewer frames than its header promises: a transfer cut short.
    bool CutShort() const;
    // Sites pass off their 30-second samples as the song.
    bool MaybePreview() const;
};

// Songs shorter than this are suspected previews.
inline constexpr int kPreviewBelowMs = 60000;
// Files beyond this are not looked into: no song is that large.
inline constexpr int64_t kLargestChecked = int64_t(16) << 30;
// The largest tag read whole (a tag states its size; pictures make it large).
inline constexpr int64_t kLargestTag = int64_t(64) << 20;

// How much of a file a check reads.
enum class TCheckDepth {
    Header, // the tags and the first frames: the length as the header states or estimates it
    Full    // every frame: the true length and rate, and whether the file was cut short
};

// Checks the file at `path` (bytes, as the file system names it) on the calling thread. Only
// a plain file is opened, and never written; any failure is a verdict.
TContentVerdict CheckContent(const std::string& path, TCheckDepth depth = TCheckDepth::Full);

// Judges a file by its first bytes alone (`head`, the tag at its start and what follows),
// given the whole file's `length`: what kind it is, and for audio its layer, rate, sample rate
// and length as a quick look tells them. A tag longer than `head` leaves nothing to judge:
// Unreadable. For a link's check, before anything is downloaded; no tags are read.
TContentVerdict JudgeStart(std::string_view head, int64_t length);

// The verdict as the window words it: "MP3, 128 kbps, 3:25", "Short: 0:12, maybe a
// preview", "Cut short: 1:42 of 3:25", "MPEG audio Layer II, 192 kbps, 0:02", "Not an MP3
// file: an HTML page", "Too large to check", ... (in the window's language; orvalo-cli's
// English where none is installed).
std::string VerdictText(const TContentVerdict& verdict);
// What a link's start says of the song, in a few words for a list: "192 kbps, 4:05",
// "192 kbps, about 4:05" (a length reckoned from the size), "Preview? 0:25", "Cut? 1:42 of
// 3:25", "Layer II, 192 kbps, 0:02", "Not an MP3"; empty when nothing could be told.
std::string QualityText(const TContentVerdict& verdict);

// A word for the kind, for scripts: "mp3", "cut", "mpeg-audio", "html", "empty", "data",
// "not-a-file", "too-large", "unreadable".
std::string KindWord(const TContentVerdict& verdict);
// "Artist - Title" when the tags hold both, else empty.
std::string ArtistTitle(const TContentVerdict& verdict);
