#pragma once

#include <string>
#include <vector>

class TStringList;

// What the search-history rules need of the search page's combo box: its drop-down items
// and its edit text. The combo box implements it; tests use a plain one.
class ISearchKeysBox {
public:
    virtual ~ISearchKeysBox() = default;
    virtual std::string EditText() const = 0;
    virtual void SetEditText(const std::string& text) = 0;
    virtual void ClearItems() = 0;
    virtual void AddItem(const std::string& text) = 0;
};

// The text the search box shows when it holds no search; it counts as no search text.
inline constexpr const char* kSearchPrompt = "Enter an artist or song";
inline constexpr int kMaxSearchKeys = 20;

// The most of the history file that is read: far more than twenty keys need, so a huge
// or broken file costs neither time nor memory at start.
inline constexpr size_t kMaxSearchKeysFileBytes = 1 << 20;

// The history file's path in the data folder ("/"-ended).
std::string SearchKeysPath(const std::string& dataFolder);

// Splits text into lines at CR LF, lone CR or lone LF; a break at the very end adds no line.
std::vector<std::string> SplitLines(const std::string& text);

// The history `keys` (newest first) and the file at `path` that keeps it between runs.
// Loading keeps the first twenty lines; a missing file leaves the list as it is.
void LoadSearchKeys(TStringList& keys, const std::string& path);
// Writes a new file beside the old one and renames it over, so a crash never loses both.
bool SaveSearchKeys(const TStringList& keys, const std::string& path);
void FillSearchKeysBox(const TStringList& keys, ISearchKeysBox& box);
void AddSearchKey(TStringList& keys, ISearchKeysBox& box, const std::string& key);
void ClearSearchKeys(TStringList& keys, ISearchKeysBox& box, const std::string& path);
