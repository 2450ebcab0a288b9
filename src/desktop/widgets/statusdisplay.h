#pragma once

#include "desktop/widgets/recorderdisplay.h"

#include <QWidget>

//! The time display beside "Audio:": the recorder's state word over the narration time.
class StatusDisplay : public QWidget
{
    Q_OBJECT
public:
    explicit StatusDisplay(QWidget* parent = nullptr);
    //! Repaints when anything changed.
    void setStatus(const StatusText& status, const QString& timeText);
    QString word() const { return m_status.word; }
    QString timeText() const { return m_timeText; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    StatusText m_status;
    QString m_timeText;
};
