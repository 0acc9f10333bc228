#include "search/uTCheckFile.h"

#include <algorithm>

#include <QCoreApplication>

#include "media/uTagReader.h"
#include "net/uAnswers.h"

TCheckFile::TCheckFile(std::string url, TTransferEngine& engine, int connectTimeoutMs, int stallTimeoutMs)
    : Url(std::move(url)), m_engine(engine), m_connectTimeoutMs(connectTimeoutMs), m_stallTimeoutMs(stallTimeoutMs) {}

TCheckFile::~TCheckFile() = default;

void TCheckFile::Start(const std::string& url) {
    if (Killed || (Worker && Worker->Busy()))
        return;
    Url = url;
    Reported = false;
    m_size = 0;
    m_head.clear();
    // Most tags are smaller than a few KB: one part holds the tag and the audio after it.
    Request(0, kAudioBytes - 1);
}

void TCheckFile::Request(int64_t first, int64_t last) {
    Worker = std::make_unique<TInet>(Url, m_engine);
    Worker->ConnectTimeoutMs = m_connectTimeoutMs;
    Worker->StallTimeoutMs = m_stallTimeoutMs;
    Worker->TotalTimeoutMs = std::max(kTotalTimeoutMs, m_connectTimeoutMs + m_stallTimeoutMs);
    Worker->PublicOnly = PublicOnly;
    Worker->RangeFrom = first;
    Worker->RangeTo = last;
    Worker->BlockSize = TInet::kReadSize;
    Worker->OnError = [this](const std::string&, int code) { RequestFailed(code); };
    Worker->OnHeaders = [this](const std::string&, int status, int64_t length) { HeadersReceived(status, length); };
    Worker->OnData = [this](const std::string&, std::string_view chunk) { DataReceived(chunk); };
    Worker->OnComplete = [this](const std::string&) { RequestComplete(); };
    // A request that ends without a judgement (stopped while it was still connecting or
    // sending, or never started) still owes its outcome: the link is not verified.
    Worker->OnFailed = [this](const std::string&) {
        // Once the answer said the file is there, the link is verified: what arrived of the
        // start before the transfer broke off (or was stopped) is judged.
        if (m_size > 0)
            Judge();
        else
            RequestFailed(0);
    };
    Worker->Start(Url);
}

void TCheckFile::ReadRest() {
    if (!m_wantsRest || Killed)
        return;
    m_wantsRest = false;
    Request(static_cast<int64_t>(m_head.size()), Wanted() - 1);
}

bool TCheckFile::IsRunning() const {
    return !Killed && (m_wantsRest || (Worker && Worker->Busy()));
}

void TCheckFile::Stop() {
    if (m_wantsRest.exchange(false))
        RequestFailed(0);
    else if (IsRunning())
        Worker->Stop();
}

void TCheckFile::Kill() {
    if (!IsRunning())
        return;
    m_wantsRest = false;
    if (Worker)
        Worker->Kill();
    Killed = true;
}

void TCheckFile::RequestFailed(int errorCode) {
    // Ended with no error of its own: it was stopped before an answer came.
    Fail(errorCode == 0 ? QCoreApplication::translate("Reasons", "cancelled").toStdString() : ErrorReason(errorCode));
}

void TCheckFile::Fail(const std::string& reason) {
    if (Reported || !OnCheckFailed)
        return;
    Reported = true;
    OnCheckFailed(Url, reason);
}

void TCheckFile::HeadersReceived(int statusCode, int64_t contentLength) {
    const bool first = m_head.empty();
    TContentRange part;
    const bool partial = statusCode == 206 && ParseContentRange(Worker->Answer().ContentRange, part);
    if (!first) {
        // The rest of the start: only the part asked for carries on from what was read.
        if (!partial || part.First != static_cast<int64_t>(m_head.size()) || part.Total != m_size) {
            Worker->Stop();
            Judge();
        }
        return;
    }
    if (partial && part.First == 0) {
        m_size = part.Total;
    } else if (statusCode == 200 && contentLength < 0) {
        Worker->Stop();
        Fail(ErrorReason(kErrorAnswerNotUnderstood));
        return;
    } else if (statusCode == 200 && contentLength > 0) {
        m_size = contentLength; // the whole file comes: it is ended after the start
    } else {
        Worker->Stop();
        Fail(statusCode == 206 ? ErrorReason(kErrorAnswerNotUnderstood)
             : statusCode != 200 ? StatusReason(statusCode)
                                 : std::string("empty file"));
    }
}

int64_t TCheckFile::Wanted() const {
    const int64_t tag = m_head.size() >= 10 ? Id3v2Size(std::string_view(m_head).substr(0, 10), "ID3") : 0;
    return std::min(m_size, (tag <= kLargestHeadTag ? tag : 0) + kAudioBytes);
}

void TCheckFile::DataReceived(std::string_view chunk) {
    if (Reported)
        return;
    const auto room = static_cast<size_t>(std::max<int64_t>(0, Wanted() - static_cast<int64_t>(m_head.size())));
    m_head.append(chunk.substr(0, std::min(room, chunk.size())));
    if (static_cast<int64_t>(m_head.size()) >= Wanted()) {
        Worker->Stop(); // no byte past the start is read
        Judge();
    }
}

void TCheckFile::RequestComplete() {
    if (Reported)
        return;
    // The first part ended inside a tag longer than it: the rest is asked for on the owner's
    // thread (a request is not started from inside another's events).
    if (static_cast<int64_t>(m_head.size()) < Wanted() && m_head.size() == static_cast<size_t>(kAudioBytes) &&
        OnWantsRest) {
        m_wantsRest = true;
        OnWantsRest(Url);
        return;
    }
    Judge();
}

void TCheckFile::Judge() {
    if (Reported || !OnCheckVerified)
        return;
    Reported = true;
    OnCheckVerified(Url, m_size, JudgeStart(m_head, m_size));
}
