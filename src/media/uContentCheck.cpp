#include "core/uTStringUtils.h"
#include "media/uContentCheck.h"
#include "media/uTagReader.h"

#include <fcntl.h>
#include <mpg123.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <mutex>
#include <string_view>

#include <QByteArray>
#include <QCoreApplication>
#include <QMimeDatabase>


namespace {

// Enough of the start for the desktop's content rules to recognise a web page.
constexpr size_t kSniffBytes = 4096;
// A run of frames shorter than this is no audio: random bytes and other formats hold a frame
// header here and there, never this many one right after the other.
constexpr int64_t kMinRunFrames = 6;
// The frames an info header may promise beyond those there are (the encoder's own
// rounding) before a file counts as cut short.
constexpr int64_t kCutToleranceFrames = 2;
// A quick look reads this many frames: the info header, or a first bit rate, lies in them.
constexpr int kHeaderFrames = 3;
// Junk a song may have before its audio (a half-written file, another program's data); past
// this much without a run of frames, a file holds none.
constexpr off_t kMostJunkBeforeAudio = 1 << 20;
// Once the song has begun, this much junk between its frames, in all, ends it: what follows
// is no longer the song (a hostile file can scatter a few frames through gigabytes of it).
constexpr int64_t kMostJunkWithinAudio = 4 << 20;
// Past this much audio the frames are not walked one by one: the rest of the file is reckoned
// at the rate of the frames walked, so that no file costs more than this however large.
constexpr int64_t kMostAudioWalked = int64_t(256) << 20;

TContentKind KindOfNonAudio(const std::string& head) {
    if (head.empty())
        return TContentKind::Empty;
    // A tag or a frame header first: what songs start with, no web page.
    const auto byte = [&head](size_t i) { return i < head.size() ? static_cast<unsigned char>(head[i]) : 0; };
    if (head.compare(0, 3, "ID3") == 0 || (byte(0) == 0xFF && (byte(1) & 0xE0) == 0xE0))
        return TContentKind::UnknownData;
    // Qt's copy of the desktop's content rules; it is safe to share between threads.
    const QMimeType type = QMimeDatabase().mimeTypeForData(QByteArray::fromStdString(head));
    if (type.inherits(QStringLiteral("text/html")) ||
        type.inherits(QStringLiteral("application/xhtml+xml")))
        return TContentKind::HtmlPage;
    return TContentKind::UnknownData;
}

// ---- audio

// Of a file's first bytes, less audio than this past the tag may end before a run of frames.
constexpr int64_t kLeastAudioToJudge = 16 * 1024;
// A file of a constant rate smaller than this share of what its info header claims is cut.
constexpr double kLeastWholeShare = 0.97;

// The file's bytes as the decoder reads them: through a buffer, so that its search for
// frames through junk, a few bytes at a time, costs no system call for each. (Not mapped
// into memory: a file cut short meanwhile would then end the program.)
class TFileReader {
public:
    TFileReader(int fd, int64_t length) : m_fd(fd), m_length(length) {}
    // The first bytes of a file of `length` bytes, held in memory: past them it reads as
    // ended, while a seek to its end finds the whole file's length.
    TFileReader(std::string_view head, int64_t length) : m_fd(-1), m_length(length), m_head(head) {}

    static ssize_t Read(void* handle, void* buffer, size_t size) {
        auto* reader = static_cast<TFileReader*>(handle);
        auto* out = static_cast<char*>(buffer);
        size_t done = 0;
        while (done < size) {
            if (reader->m_at < reader->m_bufferAt ||
                reader->m_at >= reader->m_bufferAt + static_cast<int64_t>(reader->m_buffer.size())) {
                if (!reader->Fill())
                    break;
            }
            const auto offset = static_cast<size_t>(reader->m_at - reader->m_bufferAt);
            const size_t count = std::min(size - done, reader->m_buffer.size() - offset);
            std::copy_n(reader->m_buffer.data() + offset, count, out + done);
            done += count;
            reader->m_at += static_cast<int64_t>(count);
        }
        return static_cast<ssize_t>(done);
    }
    static off_t Seek(void* handle, off_t offset, int whence) {
        auto* reader = static_cast<TFileReader*>(handle);
        const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? reader->m_at : reader->m_length;
        if (base + offset < 0)
            return -1;
        reader->m_at = base + offset;
        return static_cast<off_t>(reader->m_at);
    }
    void Rewind() { m_at = 0; }
    bool StartOnly() const { return m_fd < 0; }

private:
    bool Fill() {
        m_bufferAt = m_at;
        if (m_fd >= 0)
            m_buffer = ReadAt(m_fd, m_at, kBufferBytes);
        else if (m_at < static_cast<int64_t>(m_head.size()))
            m_buffer = m_head.substr(static_cast<size_t>(m_at), kBufferBytes);
        else
            m_buffer.clear();
        return !m_buffer.empty();
    }
    static constexpr int64_t kBufferBytes = 256 * 1024;
    int m_fd;
    int64_t m_length;
    int64_t m_at = 0;
    int64_t m_bufferAt = 0;
    std::string m_buffer;
    std::string_view m_head;
};

struct TDecoderCloser {
    void operator()(mpg123_handle* decoder) const {
        mpg123_close(decoder);
        mpg123_delete(decoder);
    }
};
using TDecoder = std::unique_ptr<mpg123_handle, TDecoderCloser>;

// libmpg123's parser over the file, reading through `reader`. With `ignoreInfoFrame` an info
// header is read as a frame like the others, not as what the file claims.
TDecoder OpenDecoder(TFileReader& reader, bool ignoreInfoFrame) {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
    int error = MPG123_OK;
    TDecoder decoder(mpg123_new(nullptr, &error));
    if (!decoder)
        return {};
    // Of a file's start alone, the end holds no tag to look for: it was never read.
    const long startOnly = reader.StartOnly() ? MPG123_NO_PEEK_END : 0;
    mpg123_param(decoder.get(), MPG123_ADD_FLAGS,
                 MPG123_QUIET | (ignoreInfoFrame ? MPG123_IGNORE_INFOFRAME : 0) | startOnly, 0);
    // Junk before the audio (a half-written file's zeros, another program's data) is looked
    // through, up to as much as a song may have: the frames decide, not where they begin.
    mpg123_param(decoder.get(), MPG123_RESYNC_LIMIT, static_cast<long>(kMostJunkBeforeAudio), 0);
    reader.Rewind();
    if (mpg123_replace_reader_handle(decoder.get(), &TFileReader::Read, &TFileReader::Seek, nullptr) != MPG123_OK ||
        mpg123_open_handle(decoder.get(), &reader) != MPG123_OK)
        return {};
    return decoder;
}

int SamplesPerFrame(const mpg123_frameinfo2& info) {
    if (info.layer == 1)
        return 384;
    return info.layer == 2 || info.version == MPG123_1_0 ? 1152 : 576;
}

// What the frames of a file add up to: only runs of frames that follow one another byte for
// byte count, long enough that no chance sync makes one.
struct TFrames {
    int Layer = 0;
    long Rate = 0;
    int64_t Frames = 0;
    int64_t Samples = 0;
    int64_t Bytes = 0;
    int FirstBitrate = 0;
    // Every frame walked had the first one's rate: a constant rate.
    bool OneBitrate = true;
    // What the decoder takes the whole to be after the first frame: from an info header
    // when there is one, from the size and the first frame's rate otherwise.
    int64_t ExpectedFrames = 0;
    int64_t ExpectedSamples = 0;
};

// The frames after `end` (where the walk stopped) to the end of the file, reckoned as those
// walked: their average size and length.
void ReckonTheRest(TFrames& found, off_t end, int64_t length) {
    const int64_t rest = length - static_cast<int64_t>(end);
    if (found.Frames == 0 || found.Bytes == 0 || rest <= 0)
        return;
    const int64_t frames = rest * found.Frames / found.Bytes;
    found.Samples += frames * found.Samples / found.Frames;
    found.Bytes += frames * found.Bytes / found.Frames;
    found.Frames += frames;
}

// `audioStart`: where the audio would begin, after the tag at the start; `length`: the file's.
TFrames WalkFrames(mpg123_handle* decoder, int frameLimit, off_t audioStart, int64_t length) {
    TFrames found;
    struct TRun {
        int64_t Frames = 0, Samples = 0, Bytes = 0;
        mpg123_frameinfo2 First{};
    } run;
    const auto endRun = [&] {
        if (run.Frames >= kMinRunFrames || (frameLimit > 0 && run.Frames > 0 && found.Frames == 0)) {
            if (found.Layer == 0) {
                found.Layer = run.First.layer;
                found.Rate = run.First.rate;
                found.FirstBitrate = run.First.bitrate;
            }
            // Audio of another layer or rate spliced on is not counted as this song's.
            if (run.First.layer == found.Layer && run.First.rate == found.Rate) {
                found.Frames += run.Frames;
                found.Samples += run.Samples;
                found.Bytes += run.Bytes;
            }
        }
        run = TRun();
    };
    off_t next = -1;
    int64_t junk = 0;
    bool reckon = false;
    for (int read = 0; frameLimit <= 0 || read < frameLimit; ++read) {
        if (found.Bytes + run.Bytes >= kMostAudioWalked) {
            reckon = true;
            break;
        }
        const int result = mpg123_framebyframe_next(decoder);
        if (result != MPG123_OK && result != MPG123_NEW_FORMAT)
            break;
        mpg123_frameinfo2 info{};
        if (mpg123_info2(decoder, &info) != MPG123_OK || info.framesize <= 0 || info.rate <= 0)
            break;
        if (read == 0) {
            found.ExpectedFrames = mpg123_framelength(decoder);
            found.ExpectedSamples = mpg123_length(decoder);
        }
        const off_t at = mpg123_framepos(decoder);
        if (at != next || (run.Frames > 0 && (info.layer != run.First.layer || info.rate != run.First.rate)))
            endRun();
        junk += next >= 0 && at > next ? at - next : 0;
        if (found.Frames > 0 && junk > kMostJunkWithinAudio)
            break;
        if (found.Frames == 0 && run.Frames < kMinRunFrames && at > audioStart + kMostJunkBeforeAudio)
            break;
        if (run.Frames == 0)
            run.First = info;
        if (info.bitrate != run.First.bitrate)
            found.OneBitrate = false;
        ++run.Frames;
        run.Samples += SamplesPerFrame(info);
        run.Bytes += info.framesize;
        next = at + info.framesize;
    }
    endRun();
    if (reckon)
        ReckonTheRest(found, next, length);
    return found;
}

int Milliseconds(int64_t samples, long rate) {
    return rate > 0 ? static_cast<int>(samples * 1000 / rate) : 0;
}

// Whether the decoder's expected length came from an info header: read again with the
// header taken for a plain frame, the expectation is the size-based estimate instead.
bool HasInfoHeader(TFileReader reader, int64_t length, const TFrames& withHeader) {
    const TDecoder plain = OpenDecoder(reader, true);
    if (!plain)
        return false;
    const TFrames estimate = WalkFrames(plain.get(), 1, 0, length);
    return estimate.ExpectedFrames != withHeader.ExpectedFrames;
}

void ReadAudio(int fd, int64_t length, TCheckDepth depth, int64_t tagBytes, TContentVerdict& verdict) {
    TFileReader reader(fd, length);
    const TDecoder decoder = OpenDecoder(reader, false);
    if (!decoder)
        return;
    const bool quick = depth == TCheckDepth::Header;
    const TFrames frames = WalkFrames(decoder.get(), quick ? kHeaderFrames : 0, static_cast<off_t>(tagBytes), length);
    if (frames.Frames == 0 || frames.Rate <= 0)
        return;
    verdict.Kind = frames.Layer == 3 ? TContentKind::Mp3 : TContentKind::MpegAudio;
    verdict.Layer = frames.Layer;
    verdict.SampleRateHz = static_cast<int>(frames.Rate);
    if (quick) {
        // As an info header states it, or as the size and the first frame's rate make it:
        // right for a whole file of a constant rate. The full check tells which it was.
        verdict.Estimated = true;
        verdict.LengthMs = Milliseconds(frames.ExpectedSamples > 0 ? frames.ExpectedSamples : frames.Samples, frames.Rate);
        const double seconds = verdict.LengthMs / 1000.0;
        verdict.BitrateKbps = seconds > 0 ? static_cast<int>(std::lround((length - tagBytes) * 8 / seconds / 1000))
                                          : frames.FirstBitrate;
        return;
    }
    const bool claimed = frames.ExpectedFrames > 0 && HasInfoHeader(TFileReader(fd, length), length, frames);
    if (claimed)
        verdict.ClaimedLengthMs = Milliseconds(frames.ExpectedSamples, frames.Rate);
    const bool cut = claimed && frames.Frames + kCutToleranceFrames < frames.ExpectedFrames;
    // A whole file plays as its info header says (the encoder's delay and padding taken
    // off); a cut one for the frames there are.
    verdict.LengthMs = claimed && !cut ? verdict.ClaimedLengthMs : Milliseconds(frames.Samples, frames.Rate);
    if (!cut)
        verdict.ClaimedLengthMs = 0;
    const double seconds = static_cast<double>(frames.Samples) / static_cast<double>(frames.Rate);
    verdict.BitrateKbps = seconds > 0 ? static_cast<int>(std::lround(static_cast<double>(frames.Bytes) * 8 / seconds / 1000)) : 0;
}

// The audio of a file's first bytes: every frame there is walked, for the rate and the sample
// rate; the length is the info header's, or else reckoned from the size at the rate of the
// frames read (an estimate).
void ReadAudioStart(std::string_view head, int64_t length, int64_t tagBytes, TContentVerdict& verdict) {
    TFileReader reader(head, length);
    const TDecoder decoder = OpenDecoder(reader, false);
    if (!decoder)
        return;
    const TFrames frames = WalkFrames(decoder.get(), 0, static_cast<off_t>(tagBytes), length);
    if (frames.Frames == 0 || frames.Rate <= 0 || frames.Bytes <= 0) {
        // Too little read past the tag to hold a run of frames: not known, rather than no audio.
        if (static_cast<int64_t>(head.size()) < length && static_cast<int64_t>(head.size()) - tagBytes < kLeastAudioToJudge)
            verdict.Kind = TContentKind::Unreadable;
        return;
    }
    verdict.Kind = frames.Layer == 3 ? TContentKind::Mp3 : TContentKind::MpegAudio;
    verdict.Layer = frames.Layer;
    verdict.SampleRateHz = static_cast<int>(frames.Rate);
    verdict.Estimated = true;
    const int64_t audioBytes = std::max<int64_t>(0, length - tagBytes);
    const bool claimed = frames.ExpectedFrames > 0 && HasInfoHeader(TFileReader(head, length), length, frames);
    const double walked = static_cast<double>(frames.Samples) / static_cast<double>(frames.Rate);
    const double bytesPerSecond = static_cast<double>(frames.Bytes) / walked;
    if (claimed) {
        verdict.LengthMs = Milliseconds(frames.ExpectedSamples, frames.Rate);
        const double seconds = verdict.LengthMs / 1000.0;
        verdict.BitrateKbps = seconds > 0 ? static_cast<int>(std::lround(audioBytes * 8 / seconds / 1000)) : 0;
        // At a constant rate the size tells how much of the claimed length the file holds:
        // one much smaller was cut short.
        if (frames.OneBitrate && audioBytes < seconds * bytesPerSecond * kLeastWholeShare) {
            verdict.ClaimedLengthMs = verdict.LengthMs;
            verdict.LengthMs = static_cast<int>(audioBytes / bytesPerSecond * 1000);
            verdict.BitrateKbps = static_cast<int>(std::lround(bytesPerSecond * 8 / 1000));
        }
        return;
    }
    // The rate of the frames read stands for the whole file's.
    verdict.BitrateKbps = static_cast<int>(std::lround(bytesPerSecond * 8 / 1000));
    verdict.LengthMs = static_cast<int>(std::min<double>(audioBytes / bytesPerSecond * 1000, INT32_MAX));
    verdict.LengthGuessed = true;
}

// Opens `path` for reading when it names a plain file; -1 otherwise, with `kind` saying why.
// The type is looked at before opening (a FIFO would block the open, a device may act on
// it), and again on the open descriptor, in case the name was swapped in between.
int OpenPlainFile(const std::string& path, TContentKind& kind, int64_t& length) {
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0) {
        kind = TContentKind::Unreadable;
        return -1;
    }
    if (!S_ISREG(before.st_mode)) {
        kind = TContentKind::NotAFile;
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat opened {};
    if (fd < 0 || ::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) ||
        opened.st_ino != before.st_ino || opened.st_dev != before.st_dev) {
        kind = fd < 0 ? TContentKind::Unreadable : TContentKind::NotAFile;
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    length = static_cast<int64_t>(opened.st_size);
    return fd;
}

struct TFileCloser {
    int Fd;
    ~TFileCloser() { ::close(Fd); }
};

} // namespace

bool TContentVerdict::CutShort() const {
    return IsAudio() && ClaimedLengthMs > LengthMs;
}

bool TContentVerdict::MaybePreview() const {
    return IsMp3() && !CutShort() && LengthMs < kPreviewBelowMs;
}

TContentVerdict CheckContent(const std::string& path, TCheckDepth depth) {
    TContentVerdict verdict;
    int64_t length = 0;
    const int fd = OpenPlainFile(path, verdict.Kind, length);
    if (fd < 0)
        return verdict;
    const TFileCloser closer{fd};
    if (length > kLargestChecked) {
        verdict.Kind = TContentKind::TooLarge;
        return verdict;
    }
    try {
        // A web page or nothing at all is never audio: the start tells, before any scan.
        const TContentKind headKind = KindOfNonAudio(ReadAt(fd, 0, kSniffBytes));
        verdict.Kind = headKind;
        if (headKind != TContentKind::UnknownData)
            return verdict;
        ReadTags(fd, length, verdict);
        const int64_t tagBytes = std::min(Id3v2Size(ReadAt(fd, 0, 10), "ID3"), length);
        ReadAudio(fd, length, depth, tagBytes, verdict);
        if (!verdict.IsAudio()) {
            verdict.Artist.clear();
            verdict.Title.clear();
            verdict.Album.clear();
        }
    } catch (const std::exception&) {
        // Out of memory inside a reader: whatever the file holds, it was not read.
        verdict = TContentVerdict();
    }
    return verdict;
}

TContentVerdict JudgeStart(std::string_view head, int64_t length) {
    TContentVerdict verdict;
    verdict.Kind = length > kLargestChecked ? TContentKind::TooLarge : KindOfNonAudio(std::string(head.substr(0, kSniffBytes)));
    if (verdict.Kind != TContentKind::UnknownData)
        return verdict;
    const int64_t tagBytes = std::min(Id3v2Size(head.substr(0, 10), "ID3"), length);
    // A tag longer than the bytes read leaves no audio to judge by: not known yet.
    if (tagBytes >= static_cast<int64_t>(head.size()) && tagBytes < length) {
        verdict.Kind = TContentKind::Unreadable;
        return verdict;
    }
    try {
        ReadAudioStart(head, length, tagBytes, verdict);
    } catch (const std::exception&) {
        verdict = TContentVerdict();
    }
    return verdict;
}
