#pragma once

#include "story/storyfile.h"

#include <QBasicTimer>
#include <QDialog>
#include <QString>

class Story;

//! The small "Loading" box shown while a saved story is read. Shown modal; once it has
//! been on screen it resets the story, reads the file into it and closes itself.
class LoadingBox : public QDialog
{
    Q_OBJECT
public:
    //! Time the box is on screen before the work starts, so it is painted first.
    static constexpr int PaintDelayMs = 500;

    //! path: the ".sld" to read into story; the box is centred over parent.
    LoadingBox(Story& story, const QString& path, QWidget* parent = nullptr);

    //! What the load found; empty until the work has run.
    const LoadReport& report() const { return m_report; }
    //! The story was reset and the file read (the box has done its work).
    bool hasLoaded() const { return m_loaded; }

    //! The box cannot be dismissed: it closes itself when the story is read.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void load();

    Story& m_story;
    QString m_path;
    QBasicTimer m_delay;
    LoadReport m_report;
    bool m_loaded = false;
};
