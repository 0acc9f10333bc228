#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "core/uHandOver.h"

class QDate;
class TInet;
class TTransferEngine;

// Fetches small named text files on the transfer engine it is given, and hands each outcome
// to the GUI thread: the whole body, or the news that it did not come. The status code is
// not looked at. Fetches still in flight when the fetcher goes are ended with it: nothing
// reaches the fetcher's owner.
class TLiveUpdate {
public:
    explicit TLiveUpdate(TTransferEngine& transfers);
    TLiveUpdate(const TLiveUpdate&) = delete;
    TLiveUpdate& operator=(const TLiveUpdate&) = delete;
    ~TLiveUpdate();

    std::function<void(const std::string& name)> OnFetchFailed;
    std::function<void(const std::string& name, const std::string& text)> OnFetchComplete;

    // Starts fetching `url` under `name`, unless a fetch of that name is in flight.
    void Fetch(const std::string& name, const std::string& url);
    bool InFlight(const std::string& name) const;

    // Longest answer kept: these files are small; a larger answer arrives as an empty text.
    static constexpr size_t kMaxTextBytes = 4 << 20;

private:
    struct Shared;
    void Ended(const std::string& name, const TInet* worker);

    std::shared_ptr<Shared> m_shared;
    TTransferEngine& m_transfers;
    std::unordered_map<std::string, std::unique_ptr<TInet>> m_workers; // by name; ended first
    TLifeline m_alive = MakeLifeline();
};

// The maker's server (over https, as it answers today) and the paths of its three files.
inline constexpr const char* kFirstRunPath = "/orvalo/data/firstrunv850.txt";
inline constexpr const char* kAllFirstRunPath = "/firstrun/allfirstrun.txt";
inline constexpr const char* kMostPopularPath = "/orvalo/data/mostpopular.txt";
std::string LiveDataUrl(const char* path);

// Creates the fetcher and requests the first-run files (while the first run is not
// registered) and the most-popular list (when the stored one is 7 or more days from today),
// which is stored at `popularPath` (the data folder's Orvalo.dat).
std::unique_ptr<TLiveUpdate> StartLiveUpdate(TTransferEngine& transfers, const QDate& today,
                                             const std::string& popularPath);
void LiveDataReceived(const std::string& name, const std::string& text,
                      const std::string& popularPath);
// A trimmed answer of exactly "f" registers the first run.
void ProcessFirstRun(const std::string& text);
// An answer holding at least one well-formed entry replaces the stored most-popular list
// (scrambled, as received) and stores today's date; anything else changes nothing.
void ProcessMostPopular(const std::string& text, const QDate& today,
                        const std::string& popularPath);
// Whether the most-popular list is due: 7 or more whole days between its date and today.
bool MostPopularIsDue(int storedDay, const QDate& today);
