#include "ui/uFrmMain.h"

#include <QIcon>
#include <QLabel>

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Orvalo"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("audio-x-generic")));
    resize(800, 560);
    auto* placeholder = new QLabel(this);
    placeholder->setAlignment(Qt::AlignCenter);
    setCentralWidget(placeholder);
}
