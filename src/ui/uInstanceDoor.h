#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// Where a second start of the program reaches the running one: a local socket beside the
// single-instance lock, open to the same user only. The second start asks for a page to be
// shown; the running one brings its window forward with that page and answers.
class TInstanceDoor : public QObject {
    Q_OBJECT
public:
    // Listens at `path`; a socket left there by a crashed run is replaced (the caller holds
    // the single-instance lock, so no running instance owns it).
    explicit TInstanceDoor(const QString& path, QObject* parent = nullptr);
    bool Listening() const;

    // The second start's side: asks the instance at `path` to show `page` (1 to 3) and waits
    // up to `waitMs` for its answer. Whether it answered.
    static bool AskToShow(const QString& path, int page, int waitMs);

signals:
    void ShowRequested(int page);

private:
    void Answer();

    QLocalServer* m_server;
};
