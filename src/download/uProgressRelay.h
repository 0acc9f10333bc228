#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QTimer>

// The newest figures of one transfer, between its thread and the GUI thread. The transfer
// stores them after every block without a lock or a clock; the GUI thread collects them a
// few times a second (the page needs no more), and once more before the transfer's end is
// handled, so the figures never come after the end.
class TProgressRelay {
public:
    struct Figures {
        int64_t Total = 0;
        int64_t Received = 0;
        int64_t Speed = 0;
    };

    explicit TProgressRelay(std::string key) : Key(std::move(key)) {}
    const std::string Key;
    // The answer's validator: written on the transfer's thread before its first figures,
    // read on the GUI thread once figures were taken (their release and acquire order it).
    std::string Validator;
    bool ValidatorWritten = false; // on the transfer's thread only

    // On the transfer's thread.
    void Report(const Figures& figures);
    // On the GUI thread: true, with the figures, when new ones came since the last take.
    bool TakeFresh(Figures& figures);

private:
    std::atomic<int64_t> m_total{0};
    std::atomic<int64_t> m_received{0};
    std::atomic<int64_t> m_speed{0};
    std::atomic<bool> m_fresh{false};
};

// The relays of the transfers that run, collected on the GUI thread every `interval` while
// any runs, and once more as each ends. Each take with new figures goes to `deliver`.
class TProgressRelays {
public:
    using TDeliver =
        std::function<void(const TProgressRelay& relay, const TProgressRelay::Figures& figures)>;

    TProgressRelays(std::chrono::milliseconds interval, TDeliver deliver);
    ~TProgressRelays();

    // A relay for the transfer of `key`, collected from now on.
    std::shared_ptr<TProgressRelay> Open(const std::string& key);
    // The transfer has ended: its last figures are delivered, and no more are collected.
    void Close(const std::shared_ptr<TProgressRelay>& relay);
    // Collection rounds so far.
    int64_t Round() const { return m_round; }

private:
    void DeliverAll();
    void DeliverFresh(TProgressRelay& relay);

    TDeliver m_deliver;
    std::vector<std::shared_ptr<TProgressRelay>> m_open;
    QTimer m_timer;
    int64_t m_round = 0;
};
