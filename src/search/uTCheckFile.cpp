#include "search/uTCheckFile.h"

#include <algorithm>

#include <QCoreApplication>

#include "net/uCurlRequest.h"

TCheckFile::TCheckFile(std::string url, TTransferEngine& engine, int connectTimeoutMs, int stallTimeoutMs)
    : Url(std::move(url)), Worker(std::make_unique<TInet>(Url, engine)) {
    Worker->ConnectTimeoutMs = connectTimeoutMs;
    Worker->StallTimeoutMs = stallTimeoutMs;
    Worker->TotalTimeoutMs = std::max(kTotalTimeoutMs, connectTimeoutMs + stallTimeoutMs);
    Worker->OnError = [this](const std::string& key, int code) { RequestFailed(key, code); };
    Worker->OnHeaders = [this](const std::string& key, int status, int64_t length) {
        HeadersReceived(key, status, length);
    };
    // A request that ends without a judgement (stopped while it was still connecting or
    // sending, or never started) still owes its outcome: the link is not verified.
    Worker->OnFailed = [this](const std::string& key) { RequestFailed(key, 0); };
}

TCheckFile::~TCheckFile() = default;

void TCheckFile::Start(const std::string& url) {
    if (Killed || Worker->Busy())
        return;
    Reported = false;
    Worker->Start(url);
}

bool TCheckFile::IsRunning() const {
    return !Killed && Worker->Busy();
}

void TCheckFile::Stop() {
    if (IsRunning())
        Worker->Stop();
}

void TCheckFile::Kill() {
    if (!IsRunning())
        return;
    Worker->Kill();
    Killed = true;
}

void TCheckFile::RequestFailed(const std::string&, int errorCode) {
    // Ended with no error of its own: it was stopped before an answer came.
    Fail(errorCode == 0 ? QCoreApplication::translate("Reasons", "cancelled").toStdString() : ErrorReason(errorCode));
}

void TCheckFile::Fail(const std::string& reason) {
    if (Reported || !OnCheckFailed)
        return;
    Reported = true;
    OnCheckFailed(Url, reason);
}

void TCheckFile::HeadersReceived(const std::string&, int statusCode, int64_t contentLength) {
    Worker->Stop(); // no body byte is read
    if (statusCode == 200 && contentLength < 0) {
        Fail(ErrorReason(kErrorAnswerNotUnderstood));
    } else if (statusCode == 200 && contentLength > 0) {
        if (!Reported && OnCheckVerified) {
            Reported = true;
            OnCheckVerified(Url, contentLength);
        }
    } else {
        Fail(statusCode != 200 ? StatusReason(statusCode) : std::string("empty file"));
    }
}
