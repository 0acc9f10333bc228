#include "search/uTSearchResultManager.h"

void TSearchResultManager::Add(const std::string& key, int status, const std::string& url,
                               const std::string& fileName, int64_t size) {
    Items.Add(key, std::make_unique<TSearchResult>(key, status, url, fileName, size));
}

TSearchResult* TSearchResultManager::Item(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return Items.Objects(index);
}
