#pragma once

#include <functional>
#include <string>

#include <QObject>
#include <QTimer>

#include "core/uTStringList.h"

// Starts queued items on a timer, politely: each tick at most `startsPerTick` items of one
// group start (items of other groups go beside them), and never more than `maxRunning` are
// held at once. Items start in the order added within a group; an item whose group has had
// its starts this tick waits for the next, and those behind it of other groups go ahead. The
// timer rests when nothing waits and nothing held needs a tick. Used on the GUI thread.
class TPacedQueue : public QObject {
    Q_OBJECT
public:
    struct TOwner {
        // What an item belongs to for the pace (its host); one group when not given.
        std::function<std::string(const std::string& item)> GroupOf{};
        // How many items are held now; none may start while this reaches maxRunning.
        std::function<int()> Held{};
        // Held items that still need ticks (to be purged once finished); 0 when none do.
        std::function<int()> NeedingTicks{};
        // Before each tick's starts (the owner purges finished items).
        std::function<void()> BeforeTick{};
        // Starts one item; it counts as held from now on.
        std::function<void(const std::string& item)> Start{};
    };

    TPacedQueue(int maxRunning, int startsPerTick, int intervalMs, TOwner owner,
                QObject* parent = nullptr);

    void Add(const std::string& item) { m_waiting.Add(item); }
    void Clear() { m_waiting.Clear(); }
    // Items waiting for their start, in the order they were added.
    const TStringList& Waiting() const { return m_waiting; }
    // Starts the timer (the first tick one interval from now).
    void Activate();
    void Stop() { m_timer.stop(); }
    bool Ticking() const { return m_timer.isActive(); }
    void SetInterval(int intervalMs) { m_timer.setInterval(intervalMs); }
    // One tick: starts what the limits allow.
    void Tick();

private:
    TOwner m_owner;
    TStringList m_waiting;
    QTimer m_timer{this}; // a child: among the owner's children, as its own timer would be
    int m_maxRunning;
    int m_startsPerTick;
};
