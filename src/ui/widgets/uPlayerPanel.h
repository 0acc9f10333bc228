#pragma once

#include <memory>
#include <string>

#include <QWidget>

class QLabel;
class QToolButton;
class TMediaPlayer;
class TPlayerBar;

// The player area below the play list: the media player with its transport bar (and its
// picture when the area is high), the name of the file loaded, and three buttons: clear the
// player, full screen, and the area's height (low, or high with the picture).
class TPlayerPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kLow = 68;
    static constexpr int kHigh = 187;

    TPlayerPanel(std::unique_ptr<TMediaPlayer> player, QWidget* parent);
    // The player goes before the widgets that show its picture.
    ~TPlayerPanel() override;

    TMediaPlayer& Player() { return *m_player; }
    // Loads the file at the full path `path`, which starts playing, and shows its name.
    void PlayMedia(const std::string& path);
    void ClearMedia();
    // Names what plays, as a person knows it ("Artist - Title" when the tags say so).
    void SetCaption(const QString& caption);
    void ShowFullScreen();
    // Switches between the low and the high area.
    void SizePlayer();

    QWidget* pnlMediaPlayer;
    TPlayerBar* pnlTransport;
    QWidget* pnlButtons;
    QToolButton* cmdClearPlayer;
    QToolButton* cmdFullScreen;
    QToolButton* cmdSizePlayer;
    QLabel* lblFileName;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildButtons();
    void SetHeight(int height);
    void LayOut();
    void ShowVideoArea();

    std::unique_ptr<TMediaPlayer> m_player;
    QWidget* m_video = nullptr;
};
