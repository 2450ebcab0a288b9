#include "desktop/dialogs/dialogplacement.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

void placeOverOwner(QWidget& dialog, int belowCentre)
{
    const QWidget* owner = dialog.parentWidget();
    if (!owner)
        return;
    const QRect ownerRect = owner->window()->frameGeometry();
    // Frame to frame, so a dialog with a title bar still sits in the middle.
    const QSize frame = dialog.frameGeometry().size();
    int left = ownerRect.left() + ownerRect.width() / 2 - frame.width() / 2;
    int top = ownerRect.top() + ownerRect.height() / 2 - frame.height() / 2 + belowCentre;
    // An owner near a screen edge must not push the dialog's buttons out of reach.
    if (const QScreen* screen = owner->window()->screen()) {
        const QRect area = screen->availableGeometry();
        left = std::max(area.left(), std::min(left, area.right() + 1 - frame.width()));
        top = std::max(area.top(), std::min(top, area.bottom() + 1 - frame.height()));
    }
    dialog.move(left, top);
}
