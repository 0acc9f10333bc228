#include "media/uTagReader.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <utility>

#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2synchdata.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>
#include <taglib/taglib.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>
#include <taglib/unknownframe.h>

#include "media/uContentCheck.h"

namespace {

// The end of a file, where an ID3v1 tag, an APE tag or an ID3v2 tag written last stands.
constexpr int64_t kTailBytes = 64 * 1024;

int64_t SyncSafe(std::string_view four) {
    int64_t value = 0;
    for (const char c : four) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte & 0x80)
            return -1;
        value = value << 7 | byte;
    }
    return value;
}

// TagLib keeps the name of a frame's header to itself and its subclasses.
struct TFrameHeaderName : TagLib::ID3v2::Frame {
    using Type = TagLib::ID3v2::Frame::Header;
};
using TFrameHeader = TFrameHeaderName::Type;

// TagLib's frame factory, but one that inflates nothing: a few kilobytes of a compressed frame
// can inflate to gigabytes. A compressed frame comes back as an unknown frame holding its
// bytes as they stand; the texts we show are inflated afterwards, each within a cap.
class TUninflatingFrames : public TagLib::ID3v2::FrameFactory {
public:
    TUninflatingFrames() = default;

protected:
    bool updateFrame(TFrameHeader* header) const override {
        // ID3v2.2 frames have no flags; only 2.3 and 2.4 compress.
        if (header->version() >= 3 && header->compression()) {
            // Its header read again without flags: TagLib then keeps the bytes unread.
            header->setData(header->render(), header->version());
            return false;
        }
        return FrameFactory::updateFrame(header);
    }
};

// `compressed` inflated; nothing when it is no whole zlib stream or inflates past `most`.
std::optional<std::string> Inflated(std::string_view compressed, size_t most) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return std::nullopt;
    std::string out(most + 1, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    stream.avail_in = static_cast<uInt>(compressed.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&stream, Z_FINISH);
    const size_t made = out.size() - stream.avail_out;
    inflateEnd(&stream);
    if (result != Z_STREAM_END || made > most)
        return std::nullopt;
    out.resize(made);
    return out;
}

std::string Trimmed(const TagLib::String& text) {
    return text.stripWhiteSpace().to8Bit(true);
}

// The text of a compressed text frame that TagLib kept unread: its body is the inflated size
// (4 bytes), then the zlib stream of the frame's fields.
std::string InflatedText(const TagLib::ByteVector& id, const TagLib::ByteVector& body) {
    if (body.size() <= 4)
        return {};
    const std::optional<std::string> fields =
        Inflated(std::string_view(body.data() + 4, body.size() - 4), kLargestInflatedText);
    if (!fields || fields->empty())
        return {};
    const TagLib::ByteVector frame =
        id + TagLib::ID3v2::SynchData::fromUInt(static_cast<unsigned int>(fields->size())) +
        TagLib::ByteVector(2, '\0') +
        TagLib::ByteVector(fields->data(), static_cast<unsigned int>(fields->size()));
    return Trimmed(TagLib::ID3v2::TextIdentificationFrame(frame).toString());
}

// Fills in, from compressed frames, the texts the verdict does not have yet.
void TakeCompressedTexts(TagLib::ID3v2::Tag* tag, TContentVerdict& verdict) {
    if (tag == nullptr)
        return;
    const std::pair<const char*, std::string*> wanted[] = {
        {"TPE1", &verdict.Artist}, {"TIT2", &verdict.Title}, {"TALB", &verdict.Album}};
    for (const auto& [id, field] : wanted) {
        for (TagLib::ID3v2::Frame* frame : tag->frameList(id)) {
            const auto* kept = dynamic_cast<TagLib::ID3v2::UnknownFrame*>(frame);
            if (field->empty() && kept != nullptr)
                *field = InflatedText(id, kept->data());
        }
    }
}

// Fills in what the tag says and the verdict does not yet.
void TakeTexts(const TagLib::Tag* tag, TContentVerdict& verdict) {
    if (tag == nullptr)
        return;
    const auto take = [](std::string& field, const TagLib::String& text) {
        if (field.empty())
            field = Trimmed(text);
    };
    take(verdict.Artist, tag->artist());
    take(verdict.Title, tag->title());
    take(verdict.Album, tag->album());
}

// The tags TagLib finds in `bytes` (an ID3v2 tag at its start; APE and ID3v1 at its end).
void ReadTagsOf(const std::string& bytes, TContentVerdict& verdict) {
    if (bytes.empty())
        return;
    TagLib::ByteVectorStream stream(
        TagLib::ByteVector(bytes.data(), static_cast<unsigned int>(bytes.size())));
    TUninflatingFrames frames;
    TagLib::MPEG::File file(&stream, &frames, false);
    // The ID3v2 tag's texts come first; a compressed one stands where TagLib saw none.
    if (file.hasID3v2Tag()) {
        TakeTexts(file.ID3v2Tag(), verdict);
        TakeCompressedTexts(file.ID3v2Tag(), verdict);
    }
    TakeTexts(file.tag(), verdict);
}

} // namespace

std::string ReadAt(int fd, int64_t offset, int64_t size) {
    std::string bytes(static_cast<size_t>(std::max<int64_t>(size, 0)), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + done, bytes.size() - done,
                                  static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

int64_t Id3v2Size(std::string_view ten, std::string_view mark) {
    if (ten.size() < 10 || ten.substr(0, 3) != mark)
        return 0;
    const int64_t body = SyncSafe(ten.substr(6, 4));
    if (body < 0)
        return 0;
    const bool footer = (static_cast<unsigned char>(ten[5]) & 0x10) != 0;
    return 10 + body + (footer || mark == "3DI" ? 10 : 0);
}

// An ID3v2 tag is read whole, however large its pictures (up to kLargestTag), wherever it
// stands in the file: at the start, or at the end (before an ID3v1 tag) as some taggers write it.
void ReadTags(int fd, int64_t length, TContentVerdict& verdict) {
    const int64_t startSize = std::min({Id3v2Size(ReadAt(fd, 0, 10), "ID3"), kLargestTag, length});
    const std::string start = ReadAt(fd, 0, startSize);
    const int64_t tailSize = std::min(length, kTailBytes);
    const std::string tail = ReadAt(fd, length - tailSize, tailSize);
    ReadTagsOf(start, verdict);
    for (const size_t afterIt : {size_t(0), size_t(128)}) {
        if (tail.size() < afterIt + 10)
            continue;
        const int64_t size =
            Id3v2Size(std::string_view(tail).substr(tail.size() - afterIt - 10, 10), "3DI");
        if (size > 0 && size <= std::min(kLargestTag, length - static_cast<int64_t>(afterIt)))
            ReadTagsOf(ReadAt(fd, length - static_cast<int64_t>(afterIt) - size, size), verdict);
    }
    // ID3v1 and APE at the end; the tag at the start keeps its say where both speak.
    ReadTagsOf(start + tail, verdict);
}
