#pragma once

#include "story/storyload.h"

#include <QBasicTimer>
#include <QDialog>
#include <QFuture>
#include <QFutureWatcher>
#include <QString>
#include <QThreadPool>

#include <functional>

class Story;

//! The small "Loading" box shown while a saved story is read. Shown modal; once it has
//! been on screen it reads the file on a worker thread while the window keeps handling its
//! events, then resets the story and fills it from what was read, and closes itself.
class LoadingBox : public QDialog
{
    Q_OBJECT
public:
    //! Time the box is on screen before the work starts, so it is painted first.
    static constexpr int PaintDelayMs = 500;

    //! Reads the story file (path, the story's working folder); runs on the box's worker thread,
    //! so it must touch no story and no widget. readStoryForLoad unless a test gives another.
    using Reader = std::function<LoadedStory(const QString& path, const QString& workingFolder)>;

    //! path: the ".sld" to read into story; the box is centred over parent.
    LoadingBox(Story& story, const QString& path, QWidget* parent = nullptr, Reader reader = {});
    //! Waits for a read still running: no worker outlives the box.
    ~LoadingBox() override;

    //! What the load found; empty until the work has run.
    const LoadReport& report() const { return m_report; }
    //! The story was reset and the file read (the box has done its work).
    bool hasLoaded() const { return m_loaded; }
    //! The file is being read on the worker; the story is not yet touched.
    bool isReading() const { return m_reading.isRunning(); }

    //! The box cannot be dismissed: it closes itself when the story is read.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void load();
    void finish();

    Story& m_story;
    QString m_path;
    Reader m_reader;
    QBasicTimer m_delay;
    LoadReport m_report;
    bool m_loaded = false;
    //! A default QFuture counts as started (and cancelled): the box keeps its own flag.
    bool m_readStarted = false;
    //! Declared before the future and its watcher, so it goes after them.
    QThreadPool m_pool;
    QFuture<LoadedStory> m_reading;
    QFutureWatcher<LoadedStory> m_watcher;
};
