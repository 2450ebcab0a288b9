#pragma once

#include "audio/audiofiledecoder.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class Prompter;
class QProgressDialog;
class QWidget;
class Story;

//! Import Narration and Import Segment: a sound file the author chooses becomes a slide's
//! narration or a new podcast segment. The file is decoded on a worker into a wave file in the
//! story's working folder; the window goes on handling its events, and a decode still running
//! after ProgressDelayMs shows a progress box with Cancel. Only once the take is whole does one
//! undo step put it in place (ImportNarrationCommand, ImportSegmentCommand) on the GUI thread;
//! a failure, a Cancel or a story replaced meanwhile leaves the story as it was. Asks before a
//! narration is replaced (the record-over question, which the author may have switched off)
//! and, for a file longer than the slide holds, whether to keep its beginning. One import at a
//! time. GUI thread only; the story and the prompter must outlive it.
class NarrationImport : public QObject
{
    Q_OBJECT
public:
    //! A decode still running this long shows the progress box.
    static constexpr int ProgressDelayMs = 400;

    //! Decodes path into folder; runs on the worker, so it must touch no story and no widget.
    //! The decoder's own unless a test gives another.
    using Decoder =
        std::function<AudioDecodeResult(const QString& path, const QString& folder, const AudioDecodeOptions& options)>;

    //! owner: the window the file dialog, the questions and the progress box belong to.
    NarrationImport(Story& story, Prompter& prompter, QWidget* owner, Decoder decoder = {});
    //! Cancels a decode under way and waits for its worker.
    ~NarrationImport() override;

    //! Asks for a sound file and makes it the narration of the slide at index.
    void importNarration(int index);
    //! Podcasts: asks for a sound file and adds it as a new segment after the slide at
    //! afterIndex (-1: at the end).
    void importSegment(int afterIndex);
    //! Called right before a narration is replaced, e.g. to stop its playback.
    void setBeforeReplacing(std::function<void()> before) { m_beforeReplacing = std::move(before); }

    //! A decode is under way.
    bool isRunning() const { return m_running; }
    //! The progress box while it shows; null otherwise.
    QProgressDialog* progressBox() const;
    //! Stops the decode under way, as the box's Cancel does.
    void cancel();

signals:
    //! An import ended; imported: its step is on the undo stack.
    void finished(bool imported);
    //! A segment was imported and stands at index.
    void segmentAdded(int index);

private:
    struct Job
    {
        bool segment = false;
        //! The slide whose narration is replaced, or the one the new segment follows (-1: none).
        int slideId = -1;
        QString file;
        QString folder;
        quint64 epoch = 0;
        int limitSeconds = 0;
        bool keepBeginning = false;
    };

    void start(const Job& job);
    //! The worker is done: its result is m_result.
    void decoded();
    //! Pushes the decoded take (m_ownedTake); waits while the slide's narration is encoded.
    void put();
    void end(bool imported);
    void showProgress();
    void tick();
    //! A warning captioned "Import Segment" or "Import Narration".
    void warn(bool segment, const QString& text);
    //! The question for a file longer than the slide holds.
    QString tooLongQuestion(const AudioDecodeResult& result) const;

    Story& m_story;
    Prompter& m_prompter;
    QPointer<QWidget> m_owner;
    Decoder m_decoder;
    //! Where the file dialog opens: the folder of the last file chosen.
    QString m_folder;
    std::function<void()> m_beforeReplacing;
    Job m_job;
    bool m_running = false;
    //! Written by the worker, read once it has been joined.
    AudioDecodeResult m_result;
    bool m_resultTaken = true;
    //! The decoded take until a command owns it; deleted when it is not put in place.
    QString m_ownedTake;
    std::atomic<bool> m_cancel{false};
    std::atomic<int> m_percent{0};
    std::thread m_worker;
    QTimer m_ticker;
    QElapsedTimer m_elapsed;
    std::unique_ptr<QProgressDialog> m_box;
};
