#include "core/uSearchKeys.h"

#include <cstdio>

#include <QFile>

#include "core/uTFileUtils.h"
#include "core/uTStringList.h"

std::string SearchKeysPath(const std::string& dataFolder) {
    return dataFolder + "SearchKeys.txt";
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

namespace {
QString FileName(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}
} // namespace

void TSearchHistory::Add(const std::string& key) {
    if (m_keys.IndexOf(key) >= 0)
        return;
    emit Inserting(0);
    m_keys.Insert(0, key);
    emit Inserted();
    if (m_keys.Count() > kMaxSearchKeys) {
        emit Removing(kMaxSearchKeys, m_keys.Count() - 1);
        while (m_keys.Count() > kMaxSearchKeys)
            m_keys.Delete(kMaxSearchKeys);
        emit Removed();
    }
}

void TSearchHistory::Clear() {
    if (m_keys.Count() == 0)
        return;
    emit Removing(0, m_keys.Count() - 1);
    m_keys.Clear();
    emit Removed();
}

void TSearchHistory::Assign(std::vector<std::string> keys) {
    if (keys.size() > static_cast<size_t>(kMaxSearchKeys))
        keys.resize(kMaxSearchKeys);
    emit Resetting();
    m_keys.Assign(std::move(keys));
    emit Reset();
}

void LoadSearchKeys(TSearchHistory& keys, const std::string& path) {
    QFile file(FileName(path));
    if (!FileExists(path) || !file.open(QIODevice::ReadOnly))
        return;
    const QByteArray head = file.read(kMaxSearchKeysFileBytes);
    const bool cut = !file.atEnd();
    std::vector<std::string> lines = SplitLines(head.toStdString());
    // A line the read limit ran into is not a whole key.
    if (cut && !lines.empty() && !head.endsWith('\n') && !head.endsWith('\r'))
        lines.pop_back();
    keys.Assign(std::move(lines));
}

bool SaveSearchKeys(const TSearchHistory& keys, const std::string& path) {
    std::string text;
    for (const std::string& key : keys.Lines()) {
        text += key;
        text += "\r\n";
    }
    // (Qt's own save-file class reports success for a write cut short by a file-size limit.)
    return TFileUtils::ReplaceWholeFile(path, text);
}

void ClearSearchKeys(TSearchHistory& keys, const std::string& path) {
    keys.Clear();
    if (FileExists(path))
        std::remove(path.c_str());
}
