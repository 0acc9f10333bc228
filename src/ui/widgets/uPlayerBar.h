#pragma once

#include <QWidget>

class QAction;
class QLabel;
class QSlider;
class QToolButton;
class TMediaPlayer;

// The player's own transport controls: previous, play/pause, next, stop, the position with
// elapsed and total time (a click on it seeks there), and the volume. The four transport
// commands are actions: the buttons show them, the media keys and the desktop's controls
// run them.
class TPlayerBar : public QWidget {
    Q_OBJECT
public:
    TPlayerBar(TMediaPlayer& player, QWidget* parent = nullptr);

    QAction* actPrevious;
    QAction* actPlayPause;
    QAction* actNext;
    QAction* actStop;

    QToolButton* cmdPrevious;
    QToolButton* cmdPlayPause;
    QToolButton* cmdNext;
    QToolButton* cmdStop;
    QLabel* lblElapsed;
    QSlider* sldPosition;
    QLabel* lblTotal;
    QSlider* sldVolume;

signals:
    // The user asked for the file before or after the one loaded.
    void PreviousAsked();
    void NextAsked();

public:
    // Shows the player's volume (after it was set elsewhere).
    void ShowVolume();

private:
    void ShowState();
    void ShowPosition(qint64 ms);
    void ShowDuration(qint64 ms);
    void TogglePlay();
    QAction* MakeTransport(const QString& hint, const QString& glyph, Qt::Key key, const QString& purpose);

    TMediaPlayer& m_player;
};

