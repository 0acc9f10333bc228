#include "ui/uInstanceDoor.h"

#include <QLocalServer>
#include <QLocalSocket>

namespace {
// One request, one answer, each a line.
const QByteArray kShow = "show ";
const QByteArray kShown = "shown\n";
constexpr int kLongestRequest = 64;
} // namespace

TInstanceDoor::TInstanceDoor(const QString& path, QObject* parent)
    : QObject(parent), m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(path);
    if (m_server->listen(path))
        connect(m_server, &QLocalServer::newConnection, this, &TInstanceDoor::Answer);
}

bool TInstanceDoor::Listening() const {
    return m_server->isListening();
}

void TInstanceDoor::Answer() {
    while (QLocalSocket* caller = m_server->nextPendingConnection()) {
        connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
        connect(caller, &QLocalSocket::readyRead, this, [this, caller] {
            if (!caller->canReadLine()) {
                // A caller that sends no line within reason is not one of ours.
                if (caller->bytesAvailable() > kLongestRequest)
                    caller->abort();
                return;
            }
            const QByteArray line = caller->readLine(kLongestRequest).trimmed();
            if (line.startsWith(kShow)) {
                bool number = false;
                const int page = line.mid(kShow.size()).trimmed().toInt(&number);
                emit ShowRequested(number && page >= 1 && page <= 3 ? page : 1);
                caller->write(kShown);
                caller->flush();
            }
            caller->disconnectFromServer();
        });
    }
}

bool TInstanceDoor::AskToShow(const QString& path, int page, int waitMs) {
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(waitMs))
        return false;
    socket.write(kShow + QByteArray::number(page) + '\n');
    if (!socket.waitForBytesWritten(waitMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(waitMs))
            return false;
    }
    return socket.readLine() == kShown;
}
