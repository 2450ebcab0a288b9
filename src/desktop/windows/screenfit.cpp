#include "desktop/windows/screenfit.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace screenfit {

QSize minimumSize(QSize wanted, const QRect& available, const QMargins& frame)
{
    const QSize room(available.width() - frame.left() - frame.right(),
                     available.height() - frame.top() - frame.bottom());
    return wanted.boundedTo(room).expandedTo(QSize(1, 1));
}

QRect fitInside(const QRect& frame, const QRect& available)
{
    if (available.isEmpty())
        return frame;
    QRect fitted(frame.topLeft(), frame.size().boundedTo(available.size()));
    fitted.moveLeft(std::clamp(fitted.left(), available.left(), available.right() + 1 - fitted.width()));
    fitted.moveTop(std::clamp(fitted.top(), available.top(), available.bottom() + 1 - fitted.height()));
    return fitted;
}

} // namespace screenfit

ScreenFitter::ScreenFitter(QWidget& window, QSize wantedMinimum)
    : QObject(&window), m_window(window), m_wanted(wantedMinimum)
{
    window.installEventFilter(this);
    fit();
}

void ScreenFitter::fit()
{
    const QScreen* screen = m_window.screen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QWindow* handle = m_window.windowHandle();
    m_frame = handle ? handle->frameMargins() : QMargins();
    m_window.setMinimumSize(screenfit::minimumSize(m_wanted, available, m_frame));
    // The window manager places maximised and full-screen windows itself.
    if (!m_window.isVisible() || m_window.isMaximized() || m_window.isFullScreen())
        return;
    const QRect outer = m_window.geometry().marginsAdded(m_frame);
    const QRect fitted = screenfit::fitInside(outer, available);
    if (fitted != outer)
        m_window.setGeometry(fitted.marginsRemoved(m_frame));
}

bool ScreenFitter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_window) {
        if (event->type() == QEvent::Show) {
            watchScreen();
            fit();
        } else if (event->type() == QEvent::Move && m_window.windowHandle() &&
                   m_window.windowHandle()->frameMargins() != m_frame) {
            fit();
        }
    }
    return QObject::eventFilter(watched, event);
}

void ScreenFitter::watchScreen()
{
    QWindow* handle = m_window.windowHandle();
    if (!handle || handle == m_handle)
        return;
    m_handle = handle;
    // Queued: the screen changes in the middle of a move, before the window has its new place.
    const auto fitLater = [this] { QMetaObject::invokeMethod(this, &ScreenFitter::fit, Qt::QueuedConnection); };
    const auto followArea = [this, fitLater](QScreen* screen) {
        disconnect(m_areaChanged);
        if (screen)
            m_areaChanged = connect(screen, &QScreen::availableGeometryChanged, this, fitLater);
    };
    followArea(handle->screen());
    connect(handle, &QWindow::screenChanged, this, [followArea, fitLater](QScreen* screen) {
        followArea(screen);
        fitLater();
    });
}
