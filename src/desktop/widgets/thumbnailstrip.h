#pragma once

#include "desktop/widgets/cursorfrombitmap.h"
#include "desktop/widgets/strippositions.h"

#include <QBasicTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QMenu;
class QScrollBar;
class Slide;
class SkinResources;
class Story;

//! The band of slide thumbnails across the top of the main window: shows every slide with
//! its number and narration length, selects, reorders by dragging, scrolls smoothly and
//! offers per-slide actions from a context menu. Follows the story through its signals: slides
//! glide to their new slots after a change, and the frame goes to the current slide whenever it
//! changes, slides are added or the story is replaced. While a slide is dragged, a bar between
//! two thumbnails marks where it will land. GUI thread only.
class ThumbnailStrip : public QWidget
{
    Q_OBJECT

public:
    //! Commands for the main window, sent through commandRequested.
    enum MainCommand {
        PreviousSlide = 21002,
        NextSlide = 21003,
        PlayNarration = 21006,
        ClearNarration = 21009,
        OpenCueCard = 21010,
        AddSlide = 115,
        OpenPreview = 106,
    };
    //! Commands for the cue-card window, sent through cueCardCommand.
    enum CueCardCommand {
        ShowCueText = 551,
        CueSlideMoved = 552,
        CloseCueCard = 1
    };
    //! Context menu item ids, kept in each QAction's data().
    enum MenuItem {
        MenuPlay = 200,
        MenuClearAudio = 202,
        MenuChangePhoto = 203,
        MenuAddSlide = 204,
        MenuRemoveSlide = 205,
        MenuPreview = 206,
        MenuCueCard = 207,
        MenuImportNarration = 208,
        MenuImportSegment = 209,
    };

    //! Puts a Yes/No question to the user; true for Yes. May run a modal loop.
    using Question = std::function<bool(const QString& question)>;

    //! Both references must outlive the strip.
    ThumbnailStrip(Story& story, SkinResources& skin, QWidget* parent = nullptr);
    ~ThumbnailStrip() override;

    //! How the strip asks before Delete or "&Remove Slide" removes a slide; until one is set,
    //! no slide is removed.
    void setRemovalQuestion(Question ask) { m_askRemoval = std::move(ask); }
    //! "Delete slide 3?" for the slide at index 2; with a narration, says that it goes too.
    static QString removalQuestion(int index, bool withNarration);

    //! Scroll maximum = max(0, 95 × slide count + 20 − width); sets the scroll bar's range.
    void recomputeScrollRange();
    //! Starts a smooth scroll that brings the slide at index fully into view.
    void scrollIntoView(int index);
    //! Index before which items dropped at clientX go; -1 means append at the end.
    int dropIndex(int clientX) const;
    //! Jumps back to the start and recomputes the range; call after the slide list changed.
    void resetScroll();
    //! A line scroll (direction −1 left, +1 right), as from the scroll bar's arrows.
    void lineScroll(int direction);
    //! A wheel turn of delta eighths of a degree: one line per notch, at least one; a turn away
    //! from the user (delta > 0) scrolls towards the first slide, as in a horizontal list.
    void wheelScroll(int delta);

    //! Canvas pixels left of the visible part.
    int scrollPosition() const { return m_scrollPosition; }
    int scrollTarget() const { return m_scrollTarget; }
    int scrollMaximum() const { return m_scrollMaximum; }
    bool isScrollAnimating() const { return m_scrollAnimating; }
    //! Index of the slide being dragged, -1 when none.
    int dragSource() const { return m_dragSource; }
    //! While dragging, the slot the dragged slide lands after (-1: before the first slide), as the
    //! insertion bar shows it; NoMarker when no bar is drawn.
    int markerSlot() const { return m_markerSlot; }
    static constexpr int NoMarker = -2;
    //! The canvas x of the insertion bar's centre for a drop after slot (-1: before the first):
    //! 10 px left of the next home slot, midway across the space between two thumbnails.
    static constexpr int markerX(int slot) { return StripPositions::slotX(slot + 1) - 10; }
    //! Index of the slide under the last right-click or double click, -1 when none.
    int contextSlide() const { return m_contextSlide; }
    //! The length label of the slide at index ("1:05"); empty outside the list.
    QString lengthLabel(int index) const;
    //! Where the slide at index stands, in canvas pixels: home slot, glide target, drawn x.
    StripPositions::Place placeOf(int index) const;
    //! The slide at index has a selection frame.
    bool isSelected(int index) const;
    //! Every slide's place, the drag slot and the frames.
    const StripPositions& positions() const { return m_positions; }
    //! Lets the thumbnails glide on to their targets; nothing moves when all stand there.
    void resumeGlide();

    //! The context menu for a right-click on slide (-1: none), labelHit when the click was
    //! on its labels. Makes slide the context slide and selects it. Its actions carry out
    //! their command when triggered; the caller owns the menu.
    std::unique_ptr<QMenu> buildContextMenu(int slide, bool labelHit);

signals:
    //! A command for the main window (MainCommand values).
    void commandRequested(int id);
    //! A command for the cue-card window, to be ignored while it is closed.
    void cueCardCommand(int command, int index);
    //! "&Change Photo" was chosen: the main window asks for a file and changes the picture.
    void changePhotoRequested(int index);
    //! "Import Narration…": a sound file for the narration of the slide at index.
    void importNarrationRequested(int index);
    //! "Import Segment…" (podcasts): a sound file for a new segment after the slide at index
    //! (-1: none selected, at the end).
    void importSegmentRequested(int afterIndex);
    //! The slide at index is about to be removed while its narration is being recorded.
    void stopRecordingRequested(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int clientHeight() const;
    //! The story's slide ids in order.
    std::vector<int> order() const;
    // The story's changes.
    void onSlideAdded(int index);
    void onSlideRemoved(int index);
    void onSlidesMoved();
    void onStoryReset();
    void onCurrentChanged(int index);
    //! Frames the slide at index alone (none outside the list).
    void frameOnly(int index);
    //! Makes the slide at index the current one and frames it alone.
    void selectSlide(int index);
    // Drawing.
    void drawSlide(class QPainter& painter, const Slide& slide, int index) const;
    QImage dragImage(const Slide& slide) const;
    // Hit tests in client coordinates.
    int homeHit(QPoint client) const;
    int pictureOrLabelHit(QPoint client, bool* labelHit) const;
    int insertionSlot(int clientX) const;
    // Input steps.
    void selectAt(QPoint client);
    void startDrag(int index, QPoint client);
    void updateGap(int clientX);
    void finishDrop(int clientX);
    void endDrag();
    void confineCursor(QPoint global);
    void showContextMenu(QPoint client, QPoint global);
    void menuCommand(int id);
    void removeSlide(int index, bool closeCueCard);
    // Scrolling.
    void scrollBarAction(int action);
    void pageScroll(int direction);
    void setScrollPosition(int position);
    void thumbTo(int position);
    // Timers.
    void animationTick();
    void edgeTick();

    Story& m_story;
    SkinResources& m_skin;
    StripPositions m_positions;
    QScrollBar* m_scrollBar;
    QBasicTimer m_edgeTimer;
    QBasicTimer m_animationTimer;
    CursorFromBitmap m_dragCursor;
    int m_scrollPosition = 0;
    int m_scrollTarget = 0;
    int m_scrollMaximum = 0;
    bool m_scrollAnimating = false;
    int m_dragSource = -1;
    //! The pointer's client x at the last drag event; edge scrolling follows it.
    int m_dragX = 0;
    int m_markerSlot = NoMarker;
    int m_contextSlide = -1;
    bool m_cursorConfined = false;
    Question m_askRemoval;
};
