#include "download/uDownloadStore.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include "core/uTFileUtils.h"
#include "download/uTDownloadManager.h"

namespace {
constexpr int kListVersion = 1;
constexpr int kSaveDelayMs = 1000;
// A list larger than this is no list this program wrote.
constexpr size_t kMaxListBytes = 64 << 20;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

std::string StateOf(const TDownload& download) {
    if (download.Completed)
        return "complete";
    if (download.Failed)
        return download.Stopped ? "stopped" : (download.Cancelled ? "cancelled" : "failed");
    return "stopped"; // running, waiting for its next try, or being placed
}

QJsonObject ToJson(const TDownload& download) {
    QJsonArray alternatives;
    for (const std::string& link : download.Alternatives)
        alternatives.append(Text(link));
    return QJsonObject{
        {"key", Text(download.Key)},
        {"url", Text(download.Url)},
        {"fileName", Text(download.FileName)},
        {"filePath", Text(download.FilePath)},
        {"ownsFile", download.OwnsFile},
        {"size", static_cast<double>(download.Size)},
        {"received", static_cast<double>(download.Received)},
        {"state", Text(StateOf(download))},
        {"reason", Text(download.FailReason)},
        {"content", Text(download.Content)},
        {"validator", Text(download.Validator)},
        {"alternatives", alternatives},
    };
}

std::string Field(const QJsonObject& entry, const char* name) {
    return entry.value(QLatin1String(name)).toString().toStdString();
}

int64_t Count(const QJsonObject& entry, const char* name) {
    const double value = entry.value(QLatin1String(name)).toDouble(-1);
    return value >= 0 && value < 9e15 ? static_cast<int64_t>(value) : -1;
}

// Whether a stored part may be this download's own: a plain name directly in the incomplete
// folder. A damaged or hostile list must never make the program write into, or delete, a
// file elsewhere.
bool MayOwn(const std::string& path, const std::string& incompleteFolder) {
    const std::filesystem::path file(path);
    const std::string name = file.filename().string();
    return !name.empty() && SafeFileName(name) == name &&
           std::filesystem::path(incompleteFolder).lexically_normal() == file.parent_path().lexically_normal();
}

std::unique_ptr<TDownload> FromJson(const QJsonObject& entry, const std::string& incompleteFolder) {
    const std::string key = Field(entry, "key");
    const std::string url = Field(entry, "url");
    const std::string fileName = Field(entry, "fileName");
    const std::string state = Field(entry, "state");
    const int64_t size = Count(entry, "size");
    const int64_t received = Count(entry, "received");
    if (key.empty() || url.empty() || fileName.empty() || size < 0 || received < 0 ||
        (state != "complete" && state != "failed" && state != "cancelled" && state != "stopped"))
        return nullptr;
    auto download = std::make_unique<TDownload>(key, fileName, size);
    download->Url = url;
    download->FilePath = Field(entry, "filePath");
    // An unfinished download's file is its part; one stored elsewhere is forgotten, and a
    // restart names a new part in the incomplete folder.
    if (state != "complete" && !MayOwn(download->FilePath, incompleteFolder))
        download->FilePath.clear();
    download->OwnsFile = entry.value(QLatin1String("ownsFile")).toBool() && state != "complete" &&
                         !download->FilePath.empty();
    download->Received = received;
    download->Progress = size > 0 ? static_cast<int>(std::min<int64_t>(received, size) * 100 / size) : 0;
    download->Completed = state == "complete";
    download->Failed = !download->Completed;
    download->Cancelled = state == "cancelled";
    download->Stopped = state == "stopped";
    download->FailReason = Field(entry, "reason");
    download->Content = Field(entry, "content");
    download->Validator = Field(entry, "validator");
    for (const QJsonValue& link : entry.value(QLatin1String("alternatives")).toArray()) {
        if (link.isString() && !link.toString().isEmpty())
            download->Alternatives.push_back(link.toString().toStdString());
    }
    return download;
}

void SetAside(const std::string& path) {
    std::error_code ignored;
    std::filesystem::rename(path, path + ".bad", ignored);
    std::fprintf(stderr, "orvalo: the downloads list %s could not be read; it is kept as %s.bad\n", path.c_str(),
                 path.c_str());
}
} // namespace

std::string DownloadListPath(const std::string& dataFolder) {
    return dataFolder + (dataFolder.empty() || dataFolder.back() == '/' ? "" : "/") + "Downloads.json";
}

bool SaveDownloadList(const TDownloadManager& manager, const std::string& path) {
    QJsonArray downloads;
    for (int i = 0; i < manager.Count(); ++i)
        downloads.append(ToJson(*manager.Items(i)));
    const QByteArray text = QJsonDocument(QJsonObject{{"version", kListVersion}, {"downloads", downloads}}).toJson();
    return TFileUtils::ReplaceWholeFile(path, std::string_view(text.constData(), static_cast<size_t>(text.size())));
}

int LoadDownloadList(TDownloadManager& manager, const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return 0; // none yet
    const std::string text = S_ISREG(info.st_mode) && static_cast<size_t>(info.st_size) <= kMaxListBytes
                                 ? TFileUtils::ReadWholeFile(path)
                                 : std::string();
    QJsonParseError error{};
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    const QJsonValue list = document.object().value(QLatin1String("downloads"));
    if (error.error != QJsonParseError::NoError || !list.isArray()) {
        SetAside(path);
        return 0;
    }
    // A list from a newer version is read for what this one knows of it.
    int listed = 0;
    for (const QJsonValue& value : list.toArray()) {
        std::unique_ptr<TDownload> download = FromJson(value.toObject(), manager.IncompleteFolder());
        if (!download || manager.Find(download->Key) != nullptr)
            continue;
        manager.Keep(std::move(download));
        ++listed;
    }
    return listed;
}

TDownloadListKeeper::TDownloadListKeeper(TDownloadManager& manager, std::string path)
    : m_manager(manager), m_path(std::move(path)), m_saveTimer(new QTimer(this)) {
    // Parts stay on disk when the program ends: the list names them for the next run.
    m_manager.SetKeepPartsAtEnd(true);
    LoadDownloadList(m_manager, m_path);
    m_saveTimer->setSingleShot(true);
    m_saveTimer->setInterval(kSaveDelayMs);
    connect(m_saveTimer, &QTimer::timeout, this, &TDownloadListKeeper::SaveNow);
    // At most once a second: a long queue changes the list many times a second, and a
    // timer started afresh at each change would never come due while it runs.
    const auto later = [this] {
        if (!m_saveTimer->isActive())
            m_saveTimer->start();
    };
    connect(&m_manager, &TDownloadManager::Added, this, later);
    connect(&m_manager, &TDownloadManager::AboutToBeRemoved, this, later);
    connect(&m_manager, &TDownloadManager::Changed, this, [later](const TDownload&, TDownloadChange what) {
        if (what != TDownloadChange::Figures)
            later();
    });
    // What the last run's end stopped goes on where it stopped.
    for (int i = 0; i < m_manager.Count(); ++i) {
        const TDownload& download = *m_manager.Items(i);
        if (download.Stopped)
            m_manager.RestartDownload(download.Key);
    }
}

TDownloadListKeeper::~TDownloadListKeeper() {
    SaveNow();
}

void TDownloadListKeeper::SaveNow() {
    m_saveTimer->stop();
    if (!SaveDownloadList(m_manager, m_path))
        std::fprintf(stderr, "orvalo: the downloads list could not be written to %s\n", m_path.c_str());
}
