#pragma once

#include <string>
#include <vector>

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

// The history file's path below the application folder.
std::string SearchKeysPath();

// Splits text into lines at CR LF, lone CR or lone LF; a break at the very end adds no line.
std::vector<std::string> SplitLines(const std::string& text);

void LoadSearchKeys();
void SaveSearchKeys();
void FillSearchKeysBox(ISearchKeysBox& box);
void AddSearchKey(ISearchKeysBox& box, const std::string& key);
void ClearSearchKeys(ISearchKeysBox& box);
