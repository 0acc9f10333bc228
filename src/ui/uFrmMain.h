#pragma once

#include <QMainWindow>

// The program's main window. Its pages join it as they are built.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
};
