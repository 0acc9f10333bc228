#include "core/uShell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace {
bool HasScheme(const std::string& target) {
    return target.find("://") != std::string::npos;
}
} // namespace

QUrl ShellUrlFor(const std::string& target) {
    const QString text = QFile::decodeName(QByteArray::fromStdString(target));
    if (HasScheme(target))
        return QUrl(text);
    if (!target.empty() && (target.front() == '/' || QFileInfo::exists(text)))
        return QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath());
    return QUrl(QStringLiteral("http://") + text);
}

void OpenInShell(const std::string& target) {
    if (target.empty())
        return;
    QDesktopServices::openUrl(ShellUrlFor(target));
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
