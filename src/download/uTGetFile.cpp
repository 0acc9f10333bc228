#include "download/uTGetFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <chrono>

#include <QCoreApplication>

#include "net/uCurlRequest.h"

uint32_t TickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

TGetFile::TGetFile(std::string key, TTransferEngine& engine)
    : Key(std::move(key)), Worker(std::make_unique<TInet>(Key, engine)) {
    // Each read of the network comes whole: one event, one write, one progress report.
    Worker->BlockSize = TInet::kReadSize;
    // A file runs for minutes: pages and checks do not wait behind it.
    Worker->Traffic = TTraffic::Bulk;
    Worker->OnError = [this](const std::string& k, int code) { WorkerError(k, code); };
    Worker->OnHeaders = [this](const std::string& k, int status, int64_t length) { WorkerHeaders(k, status, length); };
    Worker->OnData = [this](const std::string& k, std::string_view chunk) { WorkerData(k, chunk); };
    Worker->OnFailed = [this](const std::string& k) { WorkerFailed(k); };
    Worker->OnComplete = [this](const std::string& k) { WorkerComplete(k); };
}

TGetFile::~TGetFile() {
    // The transfer is let go first: no block may reach a descriptor closed (or reused) here.
    Worker.reset();
    // What came and waits in memory reaches the file: a part kept for a later run is whole
    // up to its last byte.
    if (m_fd >= 0)
        Flush();
    CloseFile();
}

void TGetFile::Start(const std::string& filePath, const std::string& url, int file) {
    if (Killed || Worker->Busy()) {
        if (file >= 0)
            ::close(file);
        return;
    }
    Reported = false;
    FilePath = filePath;
    Buffer.clear();
    TotalSize = 0;
    Received = 0;
    m_blockBase = 0;
    m_firstBlock = true;
    Validator.clear();
    StartOver = false;
    Cut = false;
    Stalled = false;
    CloseFile();
    m_fd = file;
    m_fileStarted = file >= 0;
    // A part is continued only while a validator can prove the server still has the version
    // it came from; without one, another version's rest could be stitched onto it.
    if (file < 0) {
        ResumeFrom = 0; // nothing to continue
    } else if (ResumeFrom > 0 && ResumeValidator.empty() && !ResumeUnchecked) {
        ResumeFrom = 0;
        if (!StartFileAgain())
            CloseFile(); // the first write then fails: nothing is appended to the old bytes
    }
    m_bytesInFile = ResumeFrom;
    Worker->RangeFrom = ResumeFrom;
    Worker->IfRange = ResumeValidator;
    // Many files of one site come one after another: each need not open a connection.
    Worker->KeepAlive = true;
    Worker->Start(url);
}

bool TGetFile::IsRunning() const {
    return !Killed && Worker->Busy();
}

void TGetFile::Stop() {
    if (!IsRunning())
        return;
    m_cancelled = true;
    Worker->Stop();
}

void TGetFile::Kill() {
    if (!IsRunning())
        return;
    Worker->Kill();
    Killed = true;
}

bool TGetFile::FileVanished() const {
    struct stat info {};
    return m_fd < 0 || ::fstat(m_fd, &info) != 0 || info.st_nlink == 0;
}

bool TGetFile::OpenForAppending() {
    // A file deleted meanwhile (the user emptied the incomplete folder) ends the transfer:
    // the file is never opened again by its name, where anyone may have put a link to a file
    // elsewhere since.
    if (m_fd >= 0 && m_now - m_lastFileCheck >= kFileCheckIntervalMs) {
        m_lastFileCheck = m_now;
        if (FileVanished()) {
            CloseFile();
            m_vanished = true;
        }
    }
    if (m_fd >= 0)
        return true;
    if (m_vanished || m_fileStarted) {
        m_vanished = true;
        return false;
    }
    // Without a descriptor made for it, the first write makes the file afresh: only a plain
    // file of its own, never through a link, never a pipe or a device put in its place.
    m_fd = ::open(FilePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    struct stat info {};
    if (m_fd >= 0 && (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        CloseFile();
        errno = EEXIST;
    }
    if (m_fd < 0) {
        m_writeError = errno == ELOOP ? EEXIST : errno;
        return false;
    }
    ::fcntl(m_fd, F_SETFL, 0);
    // A file made anew holds none of the bytes written before.
    m_bytesInFile = 0;
    m_fileStarted = true;
    return true;
}

void TGetFile::CloseFile() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

size_t TGetFile::Append(std::string_view bytes) {
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_writeError = n < 0 ? errno : ENOSPC;
            break;
        }
        written += static_cast<size_t>(n);
    }
    m_bytesInFile += static_cast<int64_t>(written);
    return written;
}

bool TGetFile::Flush() {
    if (Buffer.empty())
        return true;
    if (!OpenForAppending())
        return false;
    // What reached the file leaves the buffer, so that no byte is ever written twice.
    Buffer.erase(0, Append(Buffer));
    return Buffer.empty();
}

bool TGetFile::Store(std::string_view chunk) {
    // A block large enough is written straight from the network's buffer, without a copy.
    if (Buffer.empty() && chunk.size() >= FlushThreshold) {
        const size_t written = OpenForAppending() ? Append(chunk) : 0;
        Buffer.append(chunk.substr(written));
        return Buffer.empty();
    }
    Buffer.append(chunk);
    return Buffer.size() < FlushThreshold || Flush();
}

void TGetFile::ReportFailure(const std::string& reason) {
    // What came before the end reaches the file, for a restart to continue from there.
    Flush();
    CloseFile();
    if (Reported || !OnError)
        return;
    Reported = true;
    OnError(Key, reason);
}

std::string TGetFile::WriteFailure() const {
    if (m_vanished)
        return QCoreApplication::translate("Reasons", kRemovedWhileArriving).toStdString();
    switch (m_writeError) {
    case EEXIST:
        return QCoreApplication::translate("Reasons", "the file could not be made: something else has its name").toStdString();
    case ENOSPC:
        return QCoreApplication::translate("Reasons", "disk full").toStdString();
    case EDQUOT:
        return QCoreApplication::translate("Reasons", "disk quota exceeded").toStdString();
    case EFBIG:
        return QCoreApplication::translate("Reasons", "file too large for the disk").toStdString();
    case EACCES:
    case EPERM:
    case EROFS:
        return QCoreApplication::translate("Reasons", "the incomplete folder cannot be written").toStdString();
    case ENOENT:
    case ENOTDIR:
        return QCoreApplication::translate("Reasons", "the incomplete folder is missing").toStdString();
    default:
        return m_writeError != 0 ? std::strerror(m_writeError) : QCoreApplication::translate("Reasons", "the file could not be written").toStdString();
    }
}

void TGetFile::ReportCompletion() {
    if (Reported || !OnComplete)
        return;
    Reported = true;
    OnComplete(Key);
}

void TGetFile::WorkerError(const std::string&, int errorCode) {
    Shortage = errorCode == kErrorTooManyFiles;
    // A connection lost after part of the body came: how much came is what the user needs.
    if (LostConnection(errorCode) && TotalSize > 0 && Received < TotalSize) {
        Cut = true;
        ReportFailure(CutShort());
    } else {
        // A stall after the file began is a cut as well.
        Cut = !m_cancelled && TotalSize > 0 && Received < TotalSize && m_writeError == 0 && !m_vanished;
        ReportFailure(ErrorReason(errorCode));
    }
}

bool TGetFile::StartFileAgain() {
    if (m_fd < 0 || ::ftruncate(m_fd, 0) != 0 || ::lseek(m_fd, 0, SEEK_SET) != 0) {
        m_writeError = errno;
        return false;
    }
    m_bytesInFile = 0;
    return true;
}

bool TGetFile::TakeResumeAnswer(int statusCode, int64_t contentLength) {
    if (statusCode == 200 && contentLength > 0) {
        // The whole file again (the server ignores ranges, or it changed): from byte 0.
        if (!StartFileAgain()) {
            Worker->Stop();
            ReportFailure(WriteFailure());
            return false;
        }
        TotalSize = contentLength;
        return false;
    }
    TContentRange range;
    // The part is this version's rest only when the answer names the same version (a server
    // may send a range of a changed file, whatever If-Range said).
    const bool sameVersion = Worker->Answer().Validator == ResumeValidator || (ResumeUnchecked && ResumeValidator.empty());
    const bool rest = statusCode == 206 && sameVersion &&
                      ParseContentRange(Worker->Answer().ContentRange, range) &&
                      range.First == ResumeFrom && range.Last == range.Total - 1 &&
                      contentLength == range.Total - ResumeFrom &&
                      (ExpectedTotal <= 0 || range.Total == ExpectedTotal);
    if (rest) {
        TotalSize = range.Total;
        Received = ResumeFrom;
        m_blockBase = ResumeFrom;
        return false;
    }
    if (statusCode == 206 || statusCode == 416) {
        // Not the rest asked for: nothing of it is appended; the file is fetched anew.
        Worker->Stop();
        StartOver = true;
        ReportFailure(statusCode == 416 ? QCoreApplication::translate("Reasons", "the server would not continue the file").toStdString()
                                        : QCoreApplication::translate("Reasons", "the server sent another part of the file").toStdString());
        return false;
    }
    return true; // any other answer is judged as a first answer is
}

void TGetFile::WorkerHeaders(const std::string&, int statusCode, int64_t contentLength) {
    Validator = Worker->Answer().Validator;
    if (ResumeFrom > 0 && !TakeResumeAnswer(statusCode, contentLength))
        return;
    if (statusCode == 200 && contentLength > 0) {
        TotalSize = contentLength;
        return;
    }
    Worker->Stop();
    if (statusCode != 200)
        ReportFailure(StatusReason(statusCode));
    else if (contentLength < 0)
        ReportFailure(ErrorReason(kErrorAnswerNotUnderstood));
    else
        ReportFailure(contentLength == 0 ? QCoreApplication::translate("Reasons", "empty file").toStdString() : QCoreApplication::translate("Reasons", "no file size given").toStdString());
}

void TGetFile::WorkerData(const std::string&, std::string_view chunk) {
    // One look at the clock a block serves the rate and the check for a vanished file.
    m_now = Tick();
    if (m_firstBlock) {
        m_firstBlock = false;
        StartTick = m_now;
        m_lastFileCheck = m_now;
    }
    Received += static_cast<int64_t>(chunk.size());
    if (!Store(chunk) && (m_vanished || Buffer.size() > MaxUnwrittenBytes)) {
        Worker->Stop();
        ReportFailure(WriteFailure());
        return;
    }
    const uint32_t elapsed = static_cast<uint32_t>(m_now - StartTick) / 1000;
    const int64_t bytesPerSecond = elapsed > 0 ? (Received - m_blockBase) / elapsed : 0;
    if (OnProgress)
        OnProgress(Key, TotalSize, Received, bytesPerSecond);
}

void TGetFile::WorkerFailed(const std::string&) {
    // Ended without a judgement of its own: stopped by the owner, or the connection ended (or
    // stalled) before the body was whole.
    if (m_cancelled || TotalSize <= 0) {
        ReportFailure(QCoreApplication::translate("Reasons", "cancelled").toStdString());
    } else {
        // Cut, or let go of for stalling (nothing, or a trickle): it continues later.
        Cut = true;
        Stalled = TimedOut(Worker->LastResult());
        ReportFailure(Stalled ? QCoreApplication::translate("Reasons", "stalled").toStdString() : CutShort());
    }
}

std::string TGetFile::CutShort() const {
    return QCoreApplication::translate("Reasons", "cut short at %1 of %2 bytes")
        .arg(Received)
        .arg(TotalSize)
        .toStdString();
}

void TGetFile::WorkerComplete(const std::string&) {
    // Bytes that cannot reach the disk (a full disk, a folder gone read-only), or a file
    // deleted and made anew part-way, leave the file incomplete: that is a failed download,
    // whatever the network did.
    if (!Flush()) {
        ReportFailure(WriteFailure());
        return;
    }
    if (Received != TotalSize) {
        Cut = true;
        ReportFailure(CutShort());
        return;
    }
    if (m_bytesInFile != TotalSize || FileVanished()) {
        ReportFailure(QCoreApplication::translate("Reasons", kRemovedWhileArriving).toStdString());
        return;
    }
    CloseFile();
    ReportCompletion();
}
