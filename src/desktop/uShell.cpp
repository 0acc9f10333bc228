#include "desktop/uShell.h"

#include <string_view>

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
