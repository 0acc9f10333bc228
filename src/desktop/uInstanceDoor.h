#pragma once

#include <QObject>
#include <QStringList>

class QLocalServer;

// Where a second start of the program reaches the running one: a local socket beside the
// single-instance lock, open to the same user only. The second start asks for a page to be
// shown; the running one brings its window forward with that page and answers.
class TInstanceDoor : public QObject {
    Q_OBJECT
public:
    // How long a caller may stay connected without asking anything.
    static constexpr int kIdleMs = 5000;

    // Listens at the first of `places` that can hold the door: a socket left there by a
    // crashed run is replaced (the caller holds the single-instance lock, so no running
    // instance owns it); anything else standing there (a folder, a file) is left alone, said
    // so on standard error, and the next place is tried.
    explicit TInstanceDoor(const QStringList& places, QObject* parent = nullptr);
    bool Listening() const;
    QString Place() const; // where it listens; empty when nowhere

    // The second start's side: asks the instance at the first of `places` that answers to
    // show `page` (1 to 3), waiting up to `connectMs` to reach each and, once reached, up to
    // `answerMs` for its answer. Only a socket of this user's is asked. Whether one answered.
    static bool AskToShow(const QStringList& places, int page, int connectMs, int answerMs);

signals:
    void ShowRequested(int page);

private:
    bool ListenAt(const QString& place);
    void Answer();

    QLocalServer* m_server;
};
