#include "ui/uFraPlayList.h"

#include <QVBoxLayout>

#include "ui/uPageList.h"

TfraPlayList::TfraPlayList(QWidget* parent)
    : QWidget(parent),
      lvwPlayList(new TPageList(QStringLiteral("lvwPlayList"), QStringLiteral("Play list"),
                                {QStringLiteral("Type"), QStringLiteral("File Name"), QStringLiteral("File Size")},
                                this)) {
    setObjectName(QStringLiteral("fraPlayList1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(lvwPlayList);
}

void TfraPlayList::InitPage(const TSystemImageList&) {}

void TfraPlayList::PlaySelected() {}

void TfraPlayList::LaunchSelected() {}

void TfraPlayList::DeleteSelected() {}

void TfraPlayList::RenameSelected() {}

void TfraPlayList::LocateFolder() {}

void TfraPlayList::RefreshList() {}
