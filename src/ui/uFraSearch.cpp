#include "ui/uFraSearch.h"

#include <QVBoxLayout>

#include "ui/uPageList.h"

TfraSearch::TfraSearch(QWidget* parent)
    : QWidget(parent),
      lvwFiles(new TPageList(QStringLiteral("lvwFiles"), QStringLiteral("Search results"),
                             {QStringLiteral("Status"), QStringLiteral("Title"), QStringLiteral("Size"),
                              QStringLiteral("Engine"), QStringLiteral("File Name"), QStringLiteral("Key")},
                             this)),
      lvwPopular(new TPageList(QStringLiteral("lvwPopular"), QStringLiteral("Most popular"),
                               {QStringLiteral("Status"), QStringLiteral("Artist"), QStringLiteral("Title"),
                                QStringLiteral("Size"), QStringLiteral("Downloads"), QStringLiteral("Password"),
                                QStringLiteral("File Name"), QStringLiteral("Key")},
                               this)) {
    setObjectName(QStringLiteral("fraSearch1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(lvwFiles);
    layout->addWidget(lvwPopular);
    lvwPopular->hide();
}

void TfraSearch::InitPage() {}

void TfraSearch::cmdSearchClick() {}

void TfraSearch::DownloadSelected() {}
