#include "media/uContentCheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>

#include <QByteArray>
#include <QMimeDatabase>

#include <taglib/id3v2framefactory.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>
#include <taglib/tiostream.h>

namespace {

// A tag holding a large picture is read only in part: its text frames come first in
// practice, and the rest of the budget stays for finding the audio behind it.
constexpr unsigned long kLargestRead = 64 * 1024;
// Enough of the start for the desktop's content rules to recognise a web page.
constexpr unsigned long kSniffBytes = 4096;

// The check never changes a file: whatever would write does nothing.
class TReadOnlyStream : public TagLib::IOStream {
public:
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    bool readOnly() const override { return true; }
    void truncate(long) override {}
};

// A file read with pread: no buffering, so every byte read is a byte asked for.
class TReadOnlyFile : public TReadOnlyStream {
public:
    TReadOnlyFile(std::string path, int fd, long length)
        : m_path(std::move(path)), m_fd(fd), m_length(length) {}
    TReadOnlyFile(const TReadOnlyFile&) = delete;
    TReadOnlyFile& operator=(const TReadOnlyFile&) = delete;
    ~TReadOnlyFile() override { ::close(m_fd); }

    TagLib::FileName name() const override { return m_path.c_str(); }
    TagLib::ByteVector readBlock(unsigned long length) override;
    bool isOpen() const override { return true; }
    void seek(long offset, Position p = Beginning) override;
    long tell() const override { return m_position; }
    long length() override { return m_length; }

private:
    const std::string m_path;
    const int m_fd;
    const long m_length; // as it was when opened: a file still growing is read as it was
    long m_position = 0;
};

TagLib::ByteVector TReadOnlyFile::readBlock(unsigned long length) {
    const long left = std::max(0L, m_length - m_position);
    TagLib::ByteVector block(static_cast<unsigned int>(std::min<unsigned long>(length, left)));
    unsigned int done = 0;
    while (done < block.size()) {
        const ssize_t n =
            ::pread(m_fd, block.data() + done, block.size() - done, m_position + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<unsigned int>(n);
    }
    block.resize(done);
    m_position += done;
    return block;
}

void TReadOnlyFile::seek(long offset, Position p) {
    const long base = p == Beginning ? 0 : p == Current ? m_position : m_length;
    m_position = std::max(0L, base + offset);
}

// Lets through at most kContentReadBudget bytes of the stream beneath, and at most
// kLargestRead at a time; past the budget the stream reads as if it ended. Its length stays
// the real one, so the audio's length still comes out right.
class TReadBudget : public TReadOnlyStream {
public:
    explicit TReadBudget(TagLib::IOStream& source) : m_source(source) {}

    TagLib::FileName name() const override { return m_source.name(); }
    TagLib::ByteVector readBlock(unsigned long length) override;
    bool isOpen() const override { return m_source.isOpen(); }
    void seek(long offset, Position p = Beginning) override { m_source.seek(offset, p); }
    long tell() const override { return m_source.tell(); }
    long length() override { return m_source.length(); }

private:
    TagLib::IOStream& m_source;
    int64_t m_left = kContentReadBudget;
};

TagLib::ByteVector TReadBudget::readBlock(unsigned long length) {
    const auto allowed = std::min<int64_t>(
        {static_cast<int64_t>(length), static_cast<int64_t>(kLargestRead), m_left});
    if (allowed <= 0)
        return {};
    TagLib::ByteVector block = m_source.readBlock(static_cast<unsigned long>(allowed));
    m_left -= block.size();
    return block;
}

TContentKind KindOfNonAudio(const TagLib::ByteVector& head) {
    if (head.isEmpty())
        return TContentKind::Empty;
    // Qt's copy of the desktop's content rules; it is safe to share between threads.
    const QMimeType type = QMimeDatabase().mimeTypeForData(QByteArray(head.data(), head.size()));
    if (type.inherits(QStringLiteral("text/html")) ||
        type.inherits(QStringLiteral("application/xhtml+xml")))
        return TContentKind::HtmlPage;
    return TContentKind::UnknownData;
}

std::string Trimmed(const TagLib::String& text) {
    return text.stripWhiteSpace().to8Bit(true);
}

void ReadAudio(TagLib::IOStream& stream, TContentVerdict& verdict) {
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance());
    const TagLib::MPEG::Properties* audio = file.audioProperties();
    if (!file.isValid() || audio == nullptr || audio->lengthInMilliseconds() <= 0)
        return;
    verdict.Kind = TContentKind::Mp3;
    verdict.BitrateKbps = audio->bitrate();
    verdict.SampleRateHz = audio->sampleRate();
    verdict.LengthMs = audio->lengthInMilliseconds();
    if (const TagLib::Tag* tag = file.tag()) {
        verdict.Artist = Trimmed(tag->artist());
        verdict.Title = Trimmed(tag->title());
        verdict.Album = Trimmed(tag->album());
    }
}

// Opens `path` for reading when it names a plain file; -1 otherwise, with `kind` saying why.
// The type is looked at before opening (a FIFO would block the open, a device may act on
// it), and again on the open descriptor, in case the name was swapped in between.
int OpenPlainFile(const std::string& path, TContentKind& kind, long& length) {
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
    length = static_cast<long>(opened.st_size);
    return fd;
}

std::string NotMp3Text(const char* looksLike) {
    return std::string("Not an MP3 file: ") + looksLike;
}

} // namespace

bool TContentVerdict::MaybePreview() const {
    return IsMp3() && LengthMs < kPreviewBelowMs;
}

TContentVerdict CheckContent(TagLib::IOStream& stream) {
    TReadBudget budget(stream);
    TContentVerdict verdict;
    if (budget.length() > kLargestChecked) {
        verdict.Kind = TContentKind::TooLarge;
        return verdict;
    }
    try {
        // The start is looked at first: scanning a large page for audio would use up the
        // budget, and neither a page nor nothing is ever audio.
        budget.seek(0);
        const TContentKind headKind = KindOfNonAudio(budget.readBlock(kSniffBytes));
        if (headKind == TContentKind::UnknownData)
            ReadAudio(budget, verdict);
        if (!verdict.IsMp3())
            verdict.Kind = headKind;
    } catch (const std::exception&) {
        // Out of memory inside the tag reader: whatever the file holds, it was not read.
        verdict = TContentVerdict();
    }
    return verdict;
}

TContentVerdict CheckContent(const std::string& path) {
    TContentVerdict verdict;
    long length = 0;
    const int fd = OpenPlainFile(path, verdict.Kind, length);
    if (fd < 0)
        return verdict;
    TReadOnlyFile file(path, fd, length);
    return CheckContent(file);
}

std::string LengthText(int lengthMs) {
    const int seconds = std::max(0, lengthMs / 1000);
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
    else
        std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
    return text;
}

std::string VerdictText(const TContentVerdict& verdict) {
    switch (verdict.Kind) {
    case TContentKind::Mp3:
        if (verdict.MaybePreview())
            return "Short: " + LengthText(verdict.LengthMs) + ", maybe a preview";
        return "MP3, " + std::to_string(verdict.BitrateKbps) + " kbps, " +
               LengthText(verdict.LengthMs);
    case TContentKind::HtmlPage:
        return NotMp3Text("an HTML page");
    case TContentKind::Empty:
        return NotMp3Text("empty");
    case TContentKind::UnknownData:
        return NotMp3Text("unknown data");
    case TContentKind::NotAFile:
        return NotMp3Text("not a plain file");
    case TContentKind::TooLarge:
        return "Too large to check";
    case TContentKind::Unreadable:
        break;
    }
    return "Cannot read the file";
}

std::string ArtistTitle(const TContentVerdict& verdict) {
    if (verdict.Artist.empty() || verdict.Title.empty())
        return {};
    return verdict.Artist + " - " + verdict.Title;
}
