#include "livedata/uTLiveUpdate.h"

#include <cstdlib>
#include <mutex>

#include <QDate>

#include "core/uGeneralKey.h"
#include "core/uPopularList.h"
#include "core/uScramble.h"
#include "core/uAppInfo.h"
#include "core/uTCustomStringList.h"
#include "core/uTFileUtils.h"
#include "core/uTStringUtils.h"
#include "net/uTInet.h"
#include "net/uTransferEngine.h"

// The two lists, shared with the workers' handlers, which run on the transfer thread.
struct TLiveUpdate::Shared {
    std::mutex Lock;
    TStringList Requests;
    TCustomStringList<std::string> Buffers;
};

TLiveUpdate::TLiveUpdate(TTransferEngine& transfers) : m_shared(std::make_shared<Shared>()), m_transfers(transfers) {}

TLiveUpdate::~TLiveUpdate() = default;

void TLiveUpdate::Ended(const std::string& name, const TInet* worker) {
    // The name may already belong to a newer fetch.
    const auto found = m_workers.find(name);
    if (found != m_workers.end() && found->second.get() == worker)
        m_workers.erase(found);
}

bool TLiveUpdate::InFlight(const std::string& name) const {
    std::lock_guard lock(m_shared->Lock);
    return m_shared->Requests.IndexOf(name) >= 0 || m_shared->Buffers.IndexOf(name) >= 0;
}

void TLiveUpdate::Fetch(const std::string& name, const std::string& url) {
    {
        std::lock_guard lock(m_shared->Lock);
        if (m_shared->Requests.IndexOf(name) >= 0 || m_shared->Buffers.IndexOf(name) >= 0)
            return;
        m_shared->Requests.Add(name);
        m_shared->Buffers.Add(name, std::make_unique<std::string>());
    }
    auto worker = std::make_unique<TInet>(name, m_transfers);
    const TInet* const self = worker.get();
    const std::shared_ptr<Shared> shared = m_shared;
    const TLifelineRef alive = m_alive;
    worker->OnData = [shared](const std::string& key, std::string_view chunk) {
        std::lock_guard lock(shared->Lock);
        const int index = shared->Buffers.IndexOf(key);
        if (index < 0)
            return;
        // An answer too large to be one of these files is dropped whole, never cut short.
        if (shared->Buffers.Objects(index)->size() + chunk.size() > kMaxTextBytes)
            shared->Buffers.Delete(index);
        else
            shared->Buffers.Objects(index)->append(chunk);
    };
    worker->OnFailed = [this, shared, alive, self](const std::string& key) {
        {
            std::lock_guard lock(shared->Lock);
            shared->Requests.Delete(shared->Requests.IndexOf(key));
            shared->Buffers.Delete(shared->Buffers.IndexOf(key));
        }
        HandOver(alive, [this, key, self] {
            Ended(key, self);
            if (OnFetchFailed)
                OnFetchFailed(key);
        });
    };
    worker->OnComplete = [this, shared, alive, self](const std::string& key) {
        std::string text;
        {
            std::lock_guard lock(shared->Lock);
            shared->Requests.Delete(shared->Requests.IndexOf(key));
            const int index = shared->Buffers.IndexOf(key);
            if (index >= 0) {
                text = std::move(*shared->Buffers.Objects(index));
                shared->Buffers.Delete(index);
            }
        }
        HandOver(alive, [this, key, self, text = std::move(text)] {
            Ended(key, self);
            if (OnFetchComplete)
                OnFetchComplete(key, text);
        });
    };
    // When no thread can be made the worker raises OnFailed before Start returns: the name is
    // free again and the failure reaches the owner like any other, on a later turn.
    TInet& started = *worker;
    m_workers[name] = std::move(worker);
    started.Start(url);
}

std::string LiveDataUrl(const char* path) {
    return std::string("https://") + kMakerHost + path;
}

bool MostPopularIsDue(int storedDay, const QDate& today) {
    return std::abs(static_cast<long long>(DayNumber(today)) - storedDay) >= 7;
}

std::unique_ptr<TLiveUpdate> StartLiveUpdate(TTransferEngine& transfers, const QDate& today,
                                             const std::string& popularPath) {
    auto fetcher = std::make_unique<TLiveUpdate>(transfers);
    fetcher->OnFetchFailed = [](const std::string&) {};
    fetcher->OnFetchComplete = [popularPath](const std::string& name, const std::string& text) {
        LiveDataReceived(name, text, popularPath);
    };
    if (IsFirstRun()) {
        fetcher->Fetch("firstrun", LiveDataUrl(kFirstRunPath));
        fetcher->Fetch("allfirstrun", LiveDataUrl(kAllFirstRunPath));
    }
    if (MostPopularIsDue(ReadPopularDate(), today))
        fetcher->Fetch("mostpopular", LiveDataUrl(kMostPopularPath));
    return fetcher;
}

void LiveDataReceived(const std::string& name, const std::string& text,
                      const std::string& popularPath) {
    if (name == "firstrun")
        ProcessFirstRun(text);
    else if (name == "mostpopular")
        ProcessMostPopular(text, QDate::currentDate(), popularPath);
}

void ProcessFirstRun(const std::string& text) {
    if (TrimSpacesAndControls(text) == "f")
        MarkFirstRunDone();
}

void ProcessMostPopular(const std::string& text, const QDate& today,
                        const std::string& popularPath) {
    // An answer that holds no list (an error page, a cut transfer) leaves the stored list as
    // it is, and so does a write that fails: the date says when a whole list was stored.
    if (!HoldsPopularEntry(Unscramble(text)) || !TFileUtils::ReplaceWholeFile(popularPath, text))
        return;
    WritePopularDate(today);
}
