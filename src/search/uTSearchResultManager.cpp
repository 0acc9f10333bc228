#include "search/uTSearchResultManager.h"

TSearchResult& TSearchResultManager::Add(const std::string& key, int status, const std::string& url,
                                        const std::string& fileName, int64_t size) {
    auto result = std::make_unique<TSearchResult>(key, status, url, fileName, size);
    TSearchResult& added = *result;
    m_items.Add(key, std::move(result));
    return added;
}

std::string LinkExtension(std::string_view link) {
    const size_t dot = link.rfind('.');
    if (dot == std::string_view::npos || link.find_first_of(":\\/", dot) != std::string_view::npos)
        return {};
    return std::string(link.substr(dot));
}

TSearchResult* TSearchResultManager::Item(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return m_items.Objects(index);
}
