#pragma once

#include <string>
#include <vector>

#include <QObject>

#include "core/uTStringList.h"

// What the empty search box shows, greyed, as its prompt: English, translated by the box.
inline constexpr const char* kSearchPrompt =
    QT_TRANSLATE_NOOP("TSearchKeysBox", "Enter an artist or song");
inline constexpr int kMaxSearchKeys = 20;

// The most of the history file that is read: far more than twenty keys need, so a huge
// or broken file costs neither time nor memory at start.
inline constexpr size_t kMaxSearchKeysFileBytes = 1 << 20;

// The history file's path in the data folder ("/"-ended).
std::string SearchKeysPath(const std::string& dataFolder);

// Splits text into lines at CR LF, lone CR or lone LF; a break at the very end adds no line.
std::vector<std::string> SplitLines(const std::string& text);

// The search history, newest first, at most kMaxSearchKeys keys, told to any number of
// listeners as it changes (as a list model would tell its views).
class TSearchHistory : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    int Count() const { return m_keys.Count(); }
    const std::string& Strings(int index) const { return m_keys.Strings(index); }
    const std::vector<std::string>& Lines() const { return m_keys.Lines(); }
    int IndexOf(std::string_view key) const { return m_keys.IndexOf(key); }

    // Puts `key` on top unless the history holds it already, in any letter case; the oldest
    // key goes when there are too many.
    void Add(const std::string& key);
    void Clear();
    void Assign(std::vector<std::string> keys);

signals:
    void Inserting(int row);
    void Inserted();
    void Removing(int first, int last);
    void Removed();
    void Resetting();
    void Reset();

private:
    TStringList m_keys;
};

// The file at `path` that keeps the history between runs. Loading keeps the first twenty
// lines; a missing file leaves the history as it is.
void LoadSearchKeys(TSearchHistory& keys, const std::string& path);
// Writes a new file beside the old one and renames it over, so a crash never loses both.
bool SaveSearchKeys(const TSearchHistory& keys, const std::string& path);
// Empties the history and deletes its file.
void ClearSearchKeys(TSearchHistory& keys, const std::string& path);
