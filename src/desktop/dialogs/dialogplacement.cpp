#include "desktop/dialogs/dialogplacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

// Between a window placed beside the main window and the main window's frame.
constexpr int BesideGap = 8;

} // namespace

QRect availableScreenArea(const QWidget* reference)
{
    const QScreen* screen = reference ? reference->window()->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QPoint keptInside(QPoint wanted, QSize frame, const QRect& area)
{
    if (area.isEmpty())
        return wanted;
    // Right and bottom first: a frame too large for the area keeps its title bar and its
    // left edge on screen.
    const int x = std::max(area.left(), std::min(wanted.x(), area.right() + 1 - frame.width()));
    const int y = std::max(area.top(), std::min(wanted.y(), area.bottom() + 1 - frame.height()));
    return QPoint(x, y);
}

QPoint besideWindow(const QRect& mainFrame, QSize frame, const QRect& area)
{
    const int right = mainFrame.right() + 1 + BesideGap;
    const int left = mainFrame.left() - BesideGap - frame.width();
    QPoint wanted;
    if (right + frame.width() <= area.right() + 1)
        wanted = QPoint(right, mainFrame.top());
    else if (left >= area.left())
        wanted = QPoint(left, mainFrame.top());
    else
        wanted = QPoint(mainFrame.right() + 1 - BesideGap - frame.width(),
                        mainFrame.bottom() + 1 - BesideGap - frame.height());
    return keptInside(wanted, frame, area);
}

void moveOnScreen(QWidget& window, QPoint wanted, const QWidget* reference)
{
    const QRect area = availableScreenArea(reference ? reference : &window);
    window.move(keptInside(wanted, window.frameGeometry().size(), area));
}

void placeOverOwner(QWidget& dialog, int belowCentre)
{
    const QWidget* owner = dialog.parentWidget();
    if (!owner)
        return;
    const QRect ownerRect = owner->window()->frameGeometry();
    // Frame to frame, so a dialog with a title bar still sits in the middle.
    const QSize frame = dialog.frameGeometry().size();
    const int left = ownerRect.left() + ownerRect.width() / 2 - frame.width() / 2;
    const int top = ownerRect.top() + ownerRect.height() / 2 - frame.height() / 2 + belowCentre;
    // An owner near a screen edge must not push the dialog's buttons out of reach.
    moveOnScreen(dialog, QPoint(left, top), owner);
}
