#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One download: of this run, or kept from an earlier one.
class TDownload {
public:
    // What the downloads page shows as the status picture.
    static constexpr int StatusDownloading = 0;
    static constexpr int StatusComplete = 1;
    static constexpr int StatusFailed = 2;

    TDownload(std::string key, std::string fileName, int64_t size)
        : Key(std::move(key)), FileName(std::move(fileName)), Size(size) {}

    std::string Key;      // the search result's link
    int64_t Serial = 0;   // the order it was listed in this run
    std::string Url;      // the link to fetch
    std::string FilePath; // the file in the incomplete folder, or its copy once complete
    std::string FileName; // as the result names it (shown as it stands)
    int64_t Size;
    bool OwnsFile = false; // FilePath names a file this download made in the incomplete folder
    bool Failed = false;
    bool Completed = false;
    bool Placing = false; // arrived whole, being moved into the download folder
    bool Cancelled = false; // ended by the user's cancel (shown as such, not as a failure)
    bool Stopped = false;   // ended by the program's end while it ran; it goes on at the next start
    bool Queued = false;    // waits for its turn to run (counts as downloading)
    // Launched to follow a running download of its server: its transfer begins on that
    // connection the moment the other ends. It waits, as a queued one does, until then.
    bool Following = false;
    uint64_t QueueTicket = 0; // the manager's: which of its queue entries is this download's
    int64_t Received = 0;
    int Progress = 0; // whole percent
    int64_t Speed = 0; // bytes per second
    std::string FailReason; // why it failed ("HTTP 404", "disk full" ...); empty otherwise
    std::string Content;    // what the finished file really holds ("MP3, 128 kbps, 3:25"); empty until checked
    // What named the file's version in the answer its bytes came from (ETag or Last-Modified):
    // a restart asks for the rest of that version only.
    std::string Validator;
    // The user named a part on disk as this file's first bytes (orvalo-cli --continue, as
    // "wget -c"): its first transfer continues it even with no validator to hold it against.
    bool PartVouchedFor = false;
    // A cut transfer waits to try again by itself: what the row says meanwhile ("retrying in
    // 8 s (cut short at ...)"); empty otherwise. The tries made since the user's last start.
    std::string RetryNote;
    int Retries = 0;
    // Why it left the link it began with for the song's next one ("the last site stalled");
    // empty while it is on the link the user chose.
    std::string SourceNote;
    int64_t ToldReceived = -1; // the bytes received when the figures were last told
    int64_t ToldTick = 0;      // and the manager's collection round then
    // Other links of the same song, tried in turn by a restart after a failure.
    std::vector<std::string> Alternatives;

    // Not running yet: queued, or following another download.
    bool Waiting() const { return Queued || Following; }
    int Status() const { return Failed ? StatusFailed : (Completed ? StatusComplete : StatusDownloading); }
};
