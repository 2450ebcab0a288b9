#pragma once

#include <QString>
#include <QWidget>

//! A value in the main window's info panels: plain text, wrapped at word boundaries, showing
//! only lines that fit whole; the last one ends in "…" when text is left over.
class PanelValue : public QWidget
{
    Q_OBJECT
public:
    explicit PanelValue(QWidget* parent = nullptr);
    QString text() const { return m_text; }
    //! Repaints when the text changed.
    void setText(const QString& text);
    //! The lines as drawn in the current width and height.
    QStringList visibleLines() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};
