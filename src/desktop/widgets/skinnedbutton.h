#pragma once

#include "desktop/widgets/buttonfaces.h"

#include <QAbstractButton>

class QPainter;

//! A tool button drawn from pictures: a normal, hover and pressed face, optionally a second
//! set of three. A click (press and release over the button) emits commandTriggered.
//! Transparent parts of a face show the parent. GUI thread only.
class SkinnedButton : public QAbstractButton
{
    Q_OBJECT

public:
    //! Which set of faces is drawn.
    enum class FaceSet {
        First,
        Second
    };

    //! A visible child of parent at geometry, showing toolTip and named by it for screen readers;
    //! faces stay empty until set.
    SkinnedButton(QWidget* parent, const QRect& geometry, int commandId, const QString& toolTip);

    int commandId() const { return m_commandId; }

    //! Replaces one face set with fixed pictures; the button repaints.
    void setFaces(const ButtonFaces& faces, FaceSet set = FaceSet::First);
    //! Replaces one face set with faces drawn for the button's device pixel ratio: drawn now,
    //! and again whenever the button is painted at another ratio (a move to a screen with
    //! other scaling). The button repaints.
    void setFaceRenderer(FaceRenderer renderer, FaceSet set = FaceSet::First);
    const ButtonFaces& faces(FaceSet set) const;

    //! A latched button shows its pressed face while its owner's mode lasts.
    bool isLatched() const { return m_latched; }
    //! Repaints at once.
    void setLatched(bool latched);

    bool isFaceSet2() const { return m_faceSet2; }
    //! Switches to the second face set; shows at the next repaint, which this does not ask for.
    void setFaceSet2(bool active);

    //! Hide command (1027): hides without moving or activating anything.
    void hideButton();
    //! Show command (1028).
    void showButton();
    //! Set by hideButton, cleared by showButton.
    bool isButtonHidden() const { return m_hidden; }

    //! The pointer is over the button, or the button is held down with the pointer off it.
    bool isHovering() const { return m_hover; }
    //! The face the next repaint draws; null when that face was never set.
    const QPixmap& currentFace() const;

    QSize sizeHint() const override;

signals:
    //! The button was clicked; carries its command id.
    void commandTriggered(int commandId);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void paintFocusFrame(QPainter& painter) const;
    //! Draws the rendered face sets again when they were made for another ratio.
    void followDevicePixelRatio();

    int m_commandId;
    ButtonFaces m_first;
    ButtonFaces m_second;
    FaceRenderer m_firstRenderer;
    FaceRenderer m_secondRenderer;
    //! The ratio the rendered face sets were last drawn for.
    qreal m_renderedRatio = 0;
    bool m_hover = false;
    bool m_held = false;
    bool m_latched = false;
    bool m_faceSet2 = false;
    bool m_hidden = false;
};
