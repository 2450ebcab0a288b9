#pragma once

#include <QFont>
#include <QRect>

class PanelValue;
class QLabel;
class QWidget;

//! A plain-text label at the top of its box, as the panels show headings and field names.
QLabel* makePanelLabel(QWidget* parent, const QString& text, const QFont& font, Qt::Alignment alignment,
                       const char* name);
//! A panel's value field.
PanelValue* makePanelValue(QWidget* parent, const QFont& font, const char* name);
//! Puts the widget at rect, hidden when rect is empty.
void placeOrHide(QWidget* widget, const QRect& rect);
