#include "desktop/widgets/panelvalue.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

PanelValue::PanelValue(QWidget* parent) : QWidget(parent)
{}

void PanelValue::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    setToolTip(text);
    update();
}

QStringList PanelValue::visibleLines() const
{
    QStringList lines;
    if (m_text.isEmpty() || width() <= 0)
        return lines;
    const QFontMetrics metrics(font());
    // Rows are the font's cell height: the panel's rows are laid out in those units.
    const int rowHeight = std::max(1, metrics.height());
    const int rows = std::max(1, height() / rowHeight);
    QString text = m_text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);

    QTextLayout layout(text, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width());
        if (lines.size() == rows - 1) {
            // The last row takes the rest of the text, shortened to fit.
            QString rest = text.mid(line.textStart());
            rest.replace(QChar::LineSeparator, QLatin1Char(' '));
            lines << metrics.elidedText(rest, Qt::ElideRight, width());
            break;
        }
        lines << text.mid(line.textStart(), line.textLength()).remove(QChar::LineSeparator).trimmed();
    }
    layout.endLayout();
    return lines;
}

void PanelValue::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const int rowHeight = std::max(1, QFontMetrics(font()).height());
    int y = 0;
    for (const QString& line : visibleLines()) {
        painter.drawText(QRect(0, y, width(), rowHeight), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, line);
        y += rowHeight;
    }
}
