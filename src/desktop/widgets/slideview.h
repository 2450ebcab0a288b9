#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>

class QPainter;
class SkinResources;
class SkinnedButton;
class Story;

//! The large picture area of the main window: the current slide's picture fitted and centred
//! on light grey, with "Rotate Left" and "Rotate Right" buttons shown while the pointer is
//! over it or the keyboard is in it (Tab reaches the view, then its two buttons).
//! GUI thread only; the story and skin must outlive the view.
class SlideView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int RotateLeftCommand = 21004;
    static constexpr int RotateRightCommand = 21005;
    //! Fill of the margins and of a view with nothing to show.
    static constexpr QRgb BackgroundColour = 0xffe6e4e4;

    SlideView(Story& story, SkinResources& skin, QWidget* parent = nullptr);
    ~SlideView() override;

    //! Where a picture is drawn in a view: fitted into the view less 10 px on every side,
    //! never enlarged, centred. Empty when the picture or that box is empty.
    static QRect pictureRect(QSize picture, QSize view);

    //! Whether the current slide is a ready picture that the rotate commands can turn.
    bool canRotate() const;
    //! Turns the current slide's picture a quarter turn counter-clockwise; nothing without a slide.
    void rotateLeft();
    //! Turns the current slide's picture a quarter turn clockwise; nothing without a slide.
    void rotateRight();

    SkinnedButton* rotateLeftButton() const { return m_rotateLeft; }
    SkinnedButton* rotateRightButton() const { return m_rotateRight; }

signals:
    //! Right-click at a screen position: the main window shows the strip's menu there.
    void contextMenuRequested(QPoint globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onCommand(int commandId);
    void paintPicture(QPainter& painter);
    void rotate(int quarterTurns);
    void placeButtons();
    //! Shows or hides both buttons for whether the pointer or the keyboard is in the view or
    //! on a button.
    void updateButtons();
    void setPointerOver(bool over);
    bool hasKeyboardInside() const;
    bool offersRotation() const;

    Story& m_story;
    SkinnedButton* m_rotateLeft;
    SkinnedButton* m_rotateRight;
    bool m_pointerOver = false;
    //! The keyboard comes back to the view from one of its buttons (Shift+Tab).
    bool m_focusFromButton = false;
};
