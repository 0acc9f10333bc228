#include "ui/uFraDownloads.h"

#include <QVBoxLayout>

#include "ui/uPageList.h"

TfraDownloads::TfraDownloads(QWidget* parent)
    : QWidget(parent),
      lvwDownloads(new TPageList(QStringLiteral("lvwDownloads"), QStringLiteral("Downloads"),
                                 {QStringLiteral("Status"), QStringLiteral("Title"), QStringLiteral("Size"),
                                  QStringLiteral("Received"), QStringLiteral("Speed"), QStringLiteral("Progress"),
                                  QStringLiteral("Key")},
                                 this)) {
    setObjectName(QStringLiteral("fraDownloads1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(lvwDownloads);
}

void TfraDownloads::InitPage() {}

void TfraDownloads::PreviewFile() {}

void TfraDownloads::RestartSelected() {}

void TfraDownloads::CancelSelected() {}

void TfraDownloads::CancelAll() {}

void TfraDownloads::ClearDownloaded() {}

void TfraDownloads::AddDownloadRow(const TDownload&) {}
