#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include <QtGlobal>

#include "net/uTInet.h"

// The millisecond tick count, cut to 32 bits: differences stay right across a wrap.
uint32_t TickCount();

// One file transfer on a request worker: the body is appended to the target file in blocks
// of at least FlushThreshold bytes (a read of the network that large is written as it
// comes, smaller ones are gathered first), the rate is measured in whole seconds, and the
// owner hears OnProgress after every block received (each read of the network is one
// block) and at most one of OnError and OnComplete. All events run on the worker's thread.
class TGetFile {
public:
    static constexpr size_t FlushThreshold = 16384;
    // While the disk refuses bytes they wait in memory; past this much the transfer fails
    // rather than hold a whole file there.
    static constexpr size_t MaxUnwrittenBytes = 8 << 20;

    // `engine`: the transfer engine the request runs on; none: one of its own.
    TGetFile(std::string key, TTransferEngine& engine);
    TGetFile(const TGetFile&) = delete;
    TGetFile& operator=(const TGetFile&) = delete;
    ~TGetFile();

    std::string Key;
    std::unique_ptr<TInet> Worker;
    bool Killed = false; // by Kill: it runs no more and raises nothing
    bool Reported = false;
    std::string FilePath;
    std::string Buffer;
    int64_t TotalSize = 0;
    int64_t Received = 0;
    uint32_t StartTick = 0;
    // A transfer that continues a file: the bytes it already holds, the validator of the
    // answer they came from (ETag or Last-Modified; may be empty) and the whole file's size
    // as that answer gave it (0: unknown). Set before Start.
    int64_t ResumeFrom = 0;
    std::string ResumeValidator;
    // The part is continued without a validator (the user vouched for it, as for "wget -c").
    bool ResumeUnchecked = false;
    int64_t ExpectedTotal = 0;
    // Of the answer, once its headers came (on the worker's thread, before any later event):
    // its validator, for a later resume.
    std::string Validator;
    // The server would not send the rest of the file as asked (a 416, a part other than the
    // one asked for, another total): the file is to be fetched again from its first byte.
    bool StartOver = false;
    // The transfer failed because the network cut it short or stalled after the file began:
    // worth trying again. Set before OnError.
    bool Cut = false;
    // Of a cut: the server stopped sending, or sent less than the stall limit allows.
    bool Stalled = false;
    // The transfer failed before it began because the process had no descriptor left for
    // its connection: worth starting again once others have ended. Set before OnError.
    bool Shortage = false;
    // The clock the rate is measured with; tests drive their own.
    std::function<uint32_t()> Tick = TickCount;

    std::function<void(const std::string& key, int64_t totalSize, int64_t received, int64_t bytesPerSecond)> OnProgress;
    // `reason` says why, as the window shows it ("HTTP 404", "cut short at 10 of 20 bytes",
    // "disk full" ...).
    std::function<void(const std::string& key, const std::string& reason)> OnError;
    std::function<void(const std::string& key)> OnComplete;

    // `file`, when given, is a descriptor of the file at filePath made empty for this
    // transfer (an exclusive create), or one holding the first ResumeFrom bytes of the file
    // (open at its end): the body is written through it, never reopened. A server that
    // sends the whole file instead of its rest has it truncated first. Without one, the
    // first write makes the file afresh. The transfer owns the descriptor either way.
    void Start(const std::string& filePath, const std::string& url, int file = -1);
    bool IsRunning() const;
    // Cancels the transfer; it then ends as failed.
    void Stop();
    // Ends the transfer at once; no event follows.
    void Kill();
    // Writes the buffer to the file, kept open between the flushes of one transfer (readers
    // can open it meanwhile). Returns whether the buffer is empty afterwards; bytes that
    // could not be written stay in the buffer for the next try, never twice on disk.
    bool Flush();

    // The worker's events.
    void WorkerError(const std::string& key, int errorCode);
    void WorkerHeaders(const std::string& key, int statusCode, int64_t contentLength);
    void WorkerData(const std::string& key, std::string_view chunk);
    void WorkerFailed(const std::string& key);
    void WorkerComplete(const std::string& key);

private:
    void ReportFailure(const std::string& reason);
    // Why the bytes did not reach the file, from the last refused write or open.
    std::string WriteFailure() const;
    std::string CutShort() const;
    void ReportCompletion();
    bool OpenForAppending();
    bool FileVanished() const;
    // Writes `bytes` at the end of the file; how many reached it.
    size_t Append(std::string_view bytes);
    // Takes a received block into the file or the buffer; false when bytes wait unwritten.
    bool Store(std::string_view chunk);
    void CloseFile();
    // The answer to a request for the rest of the file; false when the transfer ends here.
    bool TakeResumeAnswer(int statusCode, int64_t contentLength);
    // Empties the file for a server that sends it whole again.
    bool StartFileAgain();
    int64_t m_blockBase = 0;    // Received before this transfer's first block (the rate leaves it out)
    bool m_firstBlock = true;   // no block has come yet
    bool m_fileStarted = false; // the transfer has written its first bytes
    int m_fd = -1;              // the target, kept open between flushes of one transfer
    int64_t m_bytesInFile = 0;  // what the file on disk holds of this transfer
    // When the file was last looked at on disk (whether it was deleted meanwhile): not
    // before every write, at most once a second of the transfer.
    uint32_t m_lastFileCheck = 0;
    uint32_t m_now = 0; // the tick of the block being taken
    int m_writeError = 0; // errno of the last write or open the disk refused
    bool m_vanished = false; // the file was removed (or replaced) under the transfer
    std::atomic<bool> m_cancelled{false}; // stopped by the owner
    static constexpr uint32_t kFileCheckIntervalMs = 1000;
    static constexpr const char* kRemovedWhileArriving =
        QT_TRANSLATE_NOOP("Reasons", "the file was removed while it arrived");
};
