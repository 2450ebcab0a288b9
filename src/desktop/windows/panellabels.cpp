#include "desktop/windows/panellabels.h"

#include "desktop/widgets/panelvalue.h"

#include <QLabel>

QLabel* makePanelLabel(QWidget* parent, const QString& text, const QFont& font, Qt::Alignment alignment,
                       const char* name)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignment | Qt::AlignTop);
    label->setWordWrap(false);
    return label;
}

PanelValue* makePanelValue(QWidget* parent, const QFont& font, const char* name)
{
    auto* value = new PanelValue(parent);
    value->setObjectName(QLatin1String(name));
    value->setFont(font);
    return value;
}

void placeOrHide(QWidget* widget, const QRect& rect)
{
    widget->setGeometry(rect);
    widget->setVisible(!rect.isEmpty());
}
