#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;
class QTimer;

// The small borderless window shown at start-up, which closes itself after five seconds or
// on a click, and again as the about box, which stays until clicked and also offers a link
// to the home page.
class TfrmSplash : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 285;
    static constexpr int kSplashHeight = 163;
    static constexpr int kAboutHeight = 188;
    // The about box's Close button, below the link.
    static constexpr int kCloseRowHeight = 36;
    static constexpr int kSplashMs = 5000;

    explicit TfrmSplash(QWidget* owner = nullptr);

    // Set by the main window before it shows the window as about box.
    bool AboutMode = false;

    QFrame* pnlBack;
    QLabel* imgLogo;
    QLabel* lblBanner;
    QLabel* lblVersion;
    QLabel* lblVisitSite;
    QPushButton* cmdClose; // the about box's only

    QTimer* tmrSplash;

    // What becoming active (or being shown) does: the texts, the height of the mode and
    // the timer of the splash.
    void FormActivate();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLabel* MakeLabel(const QString& name, int top, int height);
};
