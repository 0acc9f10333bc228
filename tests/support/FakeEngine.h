#pragma once

#include <string>

#include "search/uTMp3Search.h"

// An engine the test makes report files and end, instead of a site's page.
class FakeEngine : public TMp3Search {
public:
    FakeEngine(const std::string& key, TTransferEngine& transfers)
        : TMp3Search(key, "http://fake.test/?q=", "", transfers) {}
    void Search(const std::string&) override {}
    void Found(const std::string& title, const std::string& url) { ReportResult(title, url); }
    void Finish() { ReportComplete(); }
};
