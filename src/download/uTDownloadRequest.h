#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the downloads are asked to fetch, with nothing of where the link was found: the search
// page turns a chosen result into one, orvalo-cli makes one from an address.
struct TDownloadRequest {
    std::string Key;      // names the download in the list: the link as it was found
    std::string Url;      // the link to fetch
    std::string FileName; // the name to save under, as the list shows it
    int64_t Size = 0;     // the size the link announced; 0 when unknown
    // Links of the same song to fall back on when this one fails, best first.
    std::vector<std::string> Alternatives;
    // A file of this name in the incomplete folder is taken as the first part of this one,
    // and only the rest is asked for (as "wget -c" does).
    bool ContinuePart = false;

    // A request for `url` under `fileName`, named by its own link.
    static TDownloadRequest ForLink(const std::string& url, const std::string& fileName, int64_t size = 0) {
        TDownloadRequest request;
        request.Key = url;
        request.Url = url;
        request.FileName = fileName;
        request.Size = size;
        return request;
    }
};

// What a request came to.
enum class TDownloadStart {
    Added,        // listed and queued
    FetchedAgain, // listed already and ended: fetched once more, from its link, into a new file
    UnderWay,     // listed already and running, queued or being placed: nothing changed
};
