#include "desktop/uShell.h"

#include <algorithm>

#include <string_view>

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>
#include <QUrl>

namespace {
bool IsAsciiAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiAlnum(char c) {
    return IsAsciiAlpha(c) || (c >= '0' && c <= '9');
}

// "scheme://...": letters first, then letters, digits, "+", "-" or ".".
bool StartsWithScheme(std::string_view target) {
    const size_t colon = target.find("://");
    if (colon == std::string_view::npos || colon == 0 || !IsAsciiAlpha(target.front()))
        return false;
    for (const char c : target.substr(0, colon)) {
        if (!IsAsciiAlnum(c) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

// "www.maker.test/page.htm": the part before the first "/" is a dotted host name whose
// last label is made of letters. A relative path such as "songs/x.mp3" is not.
bool StartsWithHostName(std::string_view target) {
    const std::string_view host = target.substr(0, target.find('/'));
    const size_t lastDot = host.rfind('.');
    if (lastDot == std::string_view::npos || lastDot == 0 || lastDot + 1 == host.size())
        return false;
    for (const char c : host) {
        if (!IsAsciiAlnum(c) && c != '-' && c != '.')
            return false;
    }
    for (const char c : host.substr(lastDot + 1)) {
        if (!IsAsciiAlpha(c))
            return false;
    }
    return true;
}
} // namespace

QUrl ShellUrlFor(const std::string& target) {
    const QString text = QFile::decodeName(QByteArray::fromStdString(target));
    // An absolute path is a file, whatever it contains.
    if (!target.empty() && target.front() == '/')
        return QUrl::fromLocalFile(text);
    if (QFileInfo::exists(text))
        return QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath());
    if (StartsWithScheme(target))
        return QUrl(text);
    if (StartsWithHostName(target))
        return QUrl(QStringLiteral("http://") + text);
    return {};
}

void OpenInShell(const std::string& target) {
    const QUrl url = ShellUrlFor(target);
    if (url.isValid() && !url.isEmpty())
        QDesktopServices::openUrl(url);
}

void OpenQuickStart() {
    OpenInShell(std::string(kMakerHost) + "/orvalo/quickstart.htm");
}

void OpenHomePage() {
    OpenInShell(std::string(kMakerHost) + "/orvalo/index.htm");
}

void OpenFaq() {
    OpenInShell(std::string(kMakerHost) + "/orvalo/faq.htm");
}

void ShowInFolder(const std::string& path) {
    const QUrl file = ShellUrlFor(path);
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                                       QStringLiteral("/org/freedesktop/FileManager1"),
                                                       QStringLiteral("org.freedesktop.FileManager1"),
                                                       QStringLiteral("ShowItems"));
    call << QStringList{file.toString()} << QString();
    // Only a file manager already on the bus is asked: none is started for it.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!file.isEmpty() && bus.isConnected() && bus.interface() != nullptr &&
        bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.FileManager1")).value() &&
        bus.send(call))
        return;
    const size_t slash = path.rfind('/');
    OpenInShell(slash == std::string::npos ? path : path.substr(0, std::max<size_t>(slash, 1)));
}
