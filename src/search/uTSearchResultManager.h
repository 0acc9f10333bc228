#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/uTRecordList.h"
#include "media/uContentCheck.h"

// One file the user can download: its address (also its key), how it is listed and saved,
// its size once known, and the state of its link check.
class TSearchResult {
public:
    static constexpr int NotVerified = 0;
    static constexpr int Verified = 1;
    static constexpr int Failed = 2;

    TSearchResult(std::string key, int status, std::string url, std::string fileName, int64_t size)
        : Key(std::move(key)), Status(status), Url(std::move(url)), FileName(std::move(fileName)), Size(size) {}

    std::string Key;
    int Status;
    std::string Url;
    std::string FileName;
    int64_t Size;
    // What the lists show beside: the title as found and the engine's display name (a search's
    // results); the artist, the download count and the password (the most-popular list).
    std::string Title;
    std::string Engine;
    std::string Artist;
    int64_t Downloads = 0;
    std::string Password;
    // Why the link check failed ("HTTP 404", "timed out" ...); empty otherwise.
    std::string Reason;
    // How many verified links (this one among them) give the same song: the same title (as
    // NormalizedTitle has it), whatever their size and quality.
    int Sources = 1;
    // Links of the same song to fall back on when this one fails, best first; filled for a
    // result on its way to a download.
    std::vector<std::string> Alternatives;
    // What the link check found at the file's start; Unreadable until it was judged.
    TContentVerdict Content;
};

// A link's extension: from its last dot to its end, dot included, unless a path or drive
// separator follows the dot (then it has none). "/" counts too: in a web address the dot of
// "host.test/get?id=7" is no extension.
std::string LinkExtension(std::string_view link);

// The records of one list (the search's results, or the most-popular list), keyed by the
// file's address and kept in the order added. Key look-ups ignore letter case.
class TSearchResultManager {
public:
    TSearchResultManager() = default;
    TSearchResultManager(const TSearchResultManager&) = delete;
    TSearchResultManager& operator=(const TSearchResultManager&) = delete;

    // Appends a record and returns it; no test for a repeated key (callers test IndexOfKey
    // first).
    TSearchResult& Add(const std::string& key, int status, const std::string& url,
                       const std::string& fileName, int64_t size);
    void Clear() { m_items.Clear(); }
    int Count() const { return m_items.Count(); }
    // The record at `index` (0-based); nullptr when out of range.
    TSearchResult* Item(int index) const;
    int IndexOfKey(const std::string& key) const { return m_items.IndexOf(key); }

private:
    TRecordList<TSearchResult> m_items{TOwnership::Owned};
};
