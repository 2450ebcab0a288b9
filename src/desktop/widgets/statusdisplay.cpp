#include "desktop/widgets/statusdisplay.h"

#include <QPainter>

StatusDisplay::StatusDisplay(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(false);
}

void StatusDisplay::setStatus(const StatusText& status, const QString& timeText)
{
    if (status.word == m_status.word && status.colour == m_status.colour && timeText == m_timeText)
        return;
    m_status = status;
    m_timeText = timeText;
    update();
}

void StatusDisplay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    painter.setFont(font());
    const int line = 16;
    if (!m_status.word.isEmpty()) {
        painter.setPen(m_status.colour);
        painter.drawText(QRect(0, 0, width(), line), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, m_status.word);
    }
    painter.setPen(statusTimeColour());
    painter.drawText(QRect(0, line, width(), height() - line), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     m_timeText);
}
