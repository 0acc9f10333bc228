#pragma once

#include "search/uTMp3Search.h"

// A one-stage site: its result page links each file as "/mp3presend?id=N" with the title as
// the anchor text; the download address is "/mp3send/<title>.mp3?id=N".
class TSearchMuzz : public TMp3Search {
public:
    using TMp3Search::TMp3Search;

    void ParseResults(const std::string& page) override;
    // The anchor text after the first double quote and ">", unless an "=" follows there.
    static std::string AnchorTitle(std::string_view anchorText);
};
