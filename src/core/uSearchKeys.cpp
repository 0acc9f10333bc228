#include "core/uSearchKeys.h"

#include <cstdio>

#include "core/uIncludes.h"
#include "core/uTFileUtils.h"

std::string SearchKeysPath() {
    return AppFolder + "data/SearchKeys.txt";
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

void LoadSearchKeys() {
    const std::string path = SearchKeysPath();
    if (!FileExists(path))
        return;
    SearchKeys->Assign(SplitLines(TFileUtils::ReadWholeFile(path)));
}

void SaveSearchKeys() {
    std::string text;
    for (const std::string& key : SearchKeys->Lines()) {
        text += key;
        text += "\r\n";
    }
    TFileUtils::WriteWholeFile(SearchKeysPath(), text);
}

void FillSearchKeysBox(ISearchKeysBox& box) {
    const std::string editText = box.EditText();
    box.ClearItems();
    for (const std::string& key : SearchKeys->Lines())
        box.AddItem(key);
    box.SetEditText(editText);
}

void AddSearchKey(ISearchKeysBox& box, const std::string& key) {
    if (SearchKeys->IndexOf(key) < 0)
        SearchKeys->Insert(0, key);
    // Exactly one entry goes per search, so a longer history read from the file shrinks
    // step by step and never loses its older part at once.
    if (SearchKeys->Count() > kMaxSearchKeys)
        SearchKeys->Delete(kMaxSearchKeys);
    FillSearchKeysBox(box);
}

void ClearSearchKeys(ISearchKeysBox& box) {
    SearchKeys->Clear();
    FillSearchKeysBox(box);
    box.SetEditText(kSearchPrompt);
    const std::string path = SearchKeysPath();
    if (FileExists(path))
        std::remove(path.c_str());
}
