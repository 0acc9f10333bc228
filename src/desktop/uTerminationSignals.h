#pragma once

#include <QObject>

class QSocketNotifier;

// Catches SIGTERM, SIGINT and SIGHUP and tells them on the GUI thread, so that the program
// ends through its event loop and its normal shutdown (history and settings saved) still
// runs. One object catches them at a time, from its making to its end.
class TTerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TTerminationSignals(QObject* parent = nullptr);
    TTerminationSignals(const TTerminationSignals&) = delete;
    TTerminationSignals& operator=(const TTerminationSignals&) = delete;
    // The signals do what they did before.
    ~TTerminationSignals() override;

    // Whether one came: the program is ending and asks nothing.
    bool Arrived() const { return m_arrived; }

signals:
    void Terminate(int signal);

private:
    void Read();

    int m_pair[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
    bool m_arrived = false;
};
