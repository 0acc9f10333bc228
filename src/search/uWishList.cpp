#include "search/uWishList.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "core/uTFileUtils.h"
#include "core/uTStringUtils.h"

namespace {
constexpr int kListVersion = 1;
// A wish list is a few hundred bytes a song; anything near this is no list of ours.
constexpr std::uintmax_t kMaxListBytes = 4 << 20;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

std::string Field(const QJsonObject& object, const char* name) {
    return object.value(QLatin1String(name)).toString().toStdString();
}

QJsonObject ToJson(const TWish& wish) {
    QJsonObject entry{{"words", Text(wish.Words)},
                      {"longerThanMs", wish.LongerThanMs},
                      {"since", Text(wish.Since)},
                      {"lastLook", Text(wish.LastLook)}};
    if (wish.HasFound()) {
        QJsonArray alternatives;
        for (const std::string& link : wish.Found.Alternatives)
            alternatives.append(Text(link));
        entry.insert("found", QJsonObject{{"key", Text(wish.Found.Key)},
                                          {"url", Text(wish.Found.Url)},
                                          {"fileName", Text(wish.Found.FileName)},
                                          {"title", Text(wish.Found.Title)},
                                          {"site", Text(wish.Found.Engine)},
                                          {"size", static_cast<double>(wish.Found.Size)},
                                          {"quality", Text(wish.FoundQuality)},
                                          {"alternatives", alternatives}});
    }
    return entry;
}

// A found copy comes back only whole enough to be fetched: a link and a name.
void ReadFound(const QJsonObject& found, TWish& wish) {
    const std::string url = Field(found, "url");
    const std::string fileName = Field(found, "fileName");
    if (url.empty() || fileName.empty())
        return;
    const std::string key = Field(found, "key");
    wish.Found = TSearchResult(key.empty() ? url : key, TSearchResult::Verified, url, fileName,
                               std::max<int64_t>(0, static_cast<int64_t>(found.value("size").toDouble())));
    wish.Found.Title = Field(found, "title");
    wish.Found.Engine = Field(found, "site");
    wish.FoundQuality = Field(found, "quality");
    for (const QJsonValue& link : found.value("alternatives").toArray()) {
        if (link.isString() && !link.toString().isEmpty())
            wish.Found.Alternatives.push_back(link.toString().toStdString());
    }
}
} // namespace

std::string WishListPath(const std::string& dataFolder) {
    return dataFolder + (dataFolder.empty() || dataFolder.back() == '/' ? "" : "/") + "Wishes.json";
}

TWishList::TWishList(std::string path, QObject* parent) : QObject(parent), m_path(std::move(path)) {
    Load();
}

bool TWishList::Add(const std::string& words, int longerThanMs) {
    const std::string trimmed = TrimSpacesAndControls(words);
    if (NormalizedTitle(trimmed).empty() || IndexOf(trimmed) >= 0)
        return false;
    TWish wish;
    wish.Words = trimmed;
    wish.LongerThanMs = std::max(0, longerThanMs);
    wish.Since = QDate::currentDate().toString(Qt::ISODate).toStdString();
    m_wishes.push_back(std::move(wish));
    Store();
    return true;
}

void TWishList::Remove(const std::string& words) {
    const int index = IndexOf(words);
    if (index < 0)
        return;
    m_wishes.erase(m_wishes.begin() + index);
    Store();
}

int TWishList::IndexOf(const std::string& words) const {
    const std::string song = NormalizedTitle(words);
    for (size_t i = 0; i < m_wishes.size(); ++i) {
        if (NormalizedTitle(m_wishes[i].Words) == song)
            return static_cast<int>(i);
    }
    return -1;
}

std::vector<std::string> TWishList::Unfound() const {
    std::vector<std::string> words;
    for (const TWish& wish : m_wishes) {
        if (!wish.HasFound())
            words.push_back(wish.Words);
    }
    return words;
}

void TWishList::NoteLook(const std::string& words, const std::string& when) {
    const int index = IndexOf(words);
    if (index < 0)
        return;
    m_wishes[static_cast<size_t>(index)].LastLook = when;
    Store();
}

void TWishList::NoteFound(const std::string& words, const TSearchResult& found, const std::string& quality) {
    const int index = IndexOf(words);
    if (index < 0 || found.Url.empty())
        return;
    TWish& wish = m_wishes[static_cast<size_t>(index)];
    wish.Found = found;
    wish.FoundQuality = quality;
    Store();
}

bool TWishList::Save() const {
    if (m_path.empty())
        return true;
    QJsonArray wishes;
    for (const TWish& wish : m_wishes)
        wishes.append(ToJson(wish));
    const QByteArray text = QJsonDocument(QJsonObject{{"version", kListVersion}, {"wishes", wishes}}).toJson();
    return TFileUtils::ReplaceWholeFile(m_path, std::string_view(text.constData(), static_cast<size_t>(text.size())));
}

void TWishList::Store() {
    if (!Save())
        std::fprintf(stderr, "orvalo: the wish list could not be written to %s\n", m_path.c_str());
    emit Changed();
}

void TWishList::Load() {
    std::error_code error;
    if (m_path.empty() || !std::filesystem::exists(m_path, error))
        return; // none yet
    const bool plain = std::filesystem::is_regular_file(m_path, error) &&
                       std::filesystem::file_size(m_path, error) <= kMaxListBytes;
    QJsonParseError parse{};
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString(plain ? TFileUtils::ReadWholeFile(m_path) : ""), &parse);
    const QJsonValue list = document.object().value(QLatin1String("wishes"));
    if (parse.error != QJsonParseError::NoError || !list.isArray()) {
        std::filesystem::rename(m_path, m_path + ".bad", error);
        std::fprintf(stderr, "orvalo: the wish list %s could not be read; it is kept as %s.bad\n", m_path.c_str(),
                     m_path.c_str());
        return;
    }
    for (const QJsonValue& value : list.toArray()) {
        const QJsonObject entry = value.toObject();
        const std::string words = TrimSpacesAndControls(Field(entry, "words"));
        if (NormalizedTitle(words).empty() || IndexOf(words) >= 0)
            continue;
        TWish wish;
        wish.Words = words;
        wish.LongerThanMs = std::max(0, entry.value("longerThanMs").toInt());
        wish.Since = Field(entry, "since");
        wish.LastLook = Field(entry, "lastLook");
        ReadFound(entry.value("found").toObject(), wish);
        m_wishes.push_back(std::move(wish));
    }
}
