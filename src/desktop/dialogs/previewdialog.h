#pragma once

#include "desktop/dialogs/previewplayback.h"

#include <QBasicTimer>
#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>
#include <functional>

class MillisecondClock;
class QKeySequence;
class QPushButton;
class SkinResources;
class SkinnedButton;
class SoundPlayer;
class Story;

//! Where the texts under the shown picture stand (top-left corners, client coordinates).
struct PreviewTextLayout
{
    QPoint label;
    int labelWidth = 0; //!< estimated: 8 pixels per character and 8 more
    QPoint caption;
};

//! Texts under picture (an empty rect at 0, 0 when none is drawn): at the picture's left edge
//! when label and caption, at 8 pixels per character plus 8 each, are narrower than the
//! picture, else at x = 20; 5 pixels below the picture; the caption right after the label.
PreviewTextLayout previewTextLayout(const QRect& picture, int labelLength, int captionLength);
//! A picture of that size drawn unscaled in the middle of client.
QRect previewPictureRect(QSize client, QSize picture);
//! A picture of that size in a full-screen player of that client size: as large as fits
//! between the button row and the texts and Close row, aspect kept, centred. Empty when
//! either size is empty.
QRect previewFullScreenPictureRect(QSize client, QSize picture);
//! Top-left of the player beside an owner window with that frame: 21 pixels below its top,
//! centred on it.
QPoint previewPosition(const QRect& ownerFrame);

//! The preview player: shows the story slide after slide on black with "Slide %d of %d" and
//! the caption, plays each narration and moves on by itself; five skinned buttons steer it.
//! Keys: Space stops or plays, Left and Right go to the previous and next slide, Home
//! rewinds, F11 (or "Full Screen") fills the screen, Escape leaves full screen, then closes.
//! Modal; always ends with result 1. GUI thread only; everything passed must outlive it.
class PreviewDialog : public QDialog
{
    Q_OBJECT
public:
    enum Command {
        CloseCommand = 1,
        CancelCommand = 2,
        PlayCommand = 500,
        RewindCommand = 501,
        PreviousCommand = 502,
        NextCommand = 503,
        StopCommand = 504,
    };
    static constexpr QSize PlayerSize{683, 754};
    static constexpr QSize ButtonSize{31, 21};
    static constexpr int PodcastPictureEdge = 75;

    PreviewDialog(Story& story, SoundPlayer& player, const MillisecondClock& clock, const SkinResources& skin,
                  QWidget* parent = nullptr);

    //! 500 to 504 as the buttons send them; 1 and 2 close the player.
    void command(int commandId);
    //! What the 500 ms timer does; tests call it after moving their clock.
    void timerTick();

    const PreviewPlayback& playback() const { return m_playback; }
    //! Null for an id other than 500 to 504.
    SkinnedButton* button(int commandId) const;
    //! Where the texts of the slide shown stand now.
    PreviewTextLayout textLayout() const;
    //! Where the shown picture is drawn; empty at 0, 0 when none is.
    QRect shownPictureRect() const;
    //! Fills the screen the player is on, or goes back to the player's own size and place.
    void setFullScreen(bool fullScreen);
    //! The control row's "Full Screen" button; checked while the player fills the screen.
    QPushButton* fullScreenButton() const { return m_fullScreenButton; }

    //! Every way out (Close, Escape, the close box) silences the narration and ends with 1.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showLatches();
    void placeButtons();
    void addKey(const QKeySequence& key, std::function<void()> action);

    Story& m_story;
    const SkinResources& m_skin;
    PreviewPlayback m_playback;
    QBasicTimer m_timer;
    std::array<SkinnedButton*, 5> m_buttons{};
    QPushButton* m_fullScreenButton = nullptr;
    //! Where the player stood before it filled the screen.
    QPoint m_normalPosition;
    bool m_opened = false;
};
