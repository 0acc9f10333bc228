#include "search/uTSearchResultManager.h"

TSearchResultManager::~TSearchResultManager() {
    Clear();
}

void TSearchResultManager::Add(const std::string& key, int status, const std::string& url,
                               const std::string& fileName, int64_t size) {
    Items.Add(key, new TSearchResult(key, status, url, fileName, size));
}

void TSearchResultManager::Clear() {
    // The list does not own its records: the store does.
    for (const auto& entry : Items.Entries())
        delete entry.Object;
    Items.Clear();
}

TSearchResult* TSearchResultManager::Item(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return Items.Objects(index);
}
