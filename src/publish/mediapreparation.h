#pragma once

#include "audio/narrationencoding.h"
#include "story/picturejob.h"
#include "story/slide.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <set>
#include <vector>

class EncodeProgress;
class Messenger;
class QThreadPool;
class Story;

//! One slide as the preparation needs it: a copy taken on the story's thread when the run
//! starts, so no worker ever reads a Slide.
struct PreparationItem
{
    int slideId = -1;
    int index = 0; //!< its place in the show when taken
    SlideKind kind = SlideKind::Picture;
    QString narrationWavPath;
    QString narrationMp3Path;
    int narrationLength = 0; //!< whole seconds
    bool hasNarration = false;
    bool mp3Current = false; //!< its MP3-encoded flag when taken
    int rotation = 0;        //!< quarter turns
    PictureJob picture;      //!< the picture made again with that rotation

    //! Has a narration whose MP3 is not current.
    bool needsEncoding() const { return hasNarration && !mp3Current; }
    //! Only picture slides have pictures to make again.
    bool needsPicture() const { return kind == SlideKind::Picture; }
};

//! A narration encoded by the preparation, for the slide with that id.
struct NarrationDone
{
    int slideId = -1;
    NarrationMp3 mp3;
};

//! A picture made again by the preparation, for the slide with that id.
struct PictureDone
{
    int slideId = -1;
    PictureResult result;
};

//! What each slide of a picture story needs before an upload, in show order. Story thread.
std::vector<PreparationItem> preparationItems(const Story& story);

//! Encodes, one after another in show order, every narration that needs it, handing each
//! outcome to done right after (on the calling thread). Publishes to progress; once its cancel
//! is set the encoding in hand stops (leaving no MP3, reported as not encoded) and no further
//! one starts. Any thread; touches no story.
void encodeNarrations(const std::vector<PreparationItem>& items, Messenger* messenger, EncodeProgress& progress,
                      const std::function<void(NarrationDone)>& done);

//! Makes every picture slide's JPEG and thumbnail again, one after another, handing each
//! result to done (on the calling thread). Stops before the next picture once cancel is set.
//! Any thread; touches no story.
void remakePictures(const std::vector<PreparationItem>& items, const std::atomic<bool>& cancel,
                    const std::function<void(PictureDone)>& done);

//! Brings every file of a picture story's upload up to date: the narrations are encoded on one
//! worker while the pictures are made again on another, both on the given pool. Each result is
//! applied to the story on its thread, by slide id; a slide gone meanwhile is skipped. Lives
//! on the story's thread, which sets and clears the story's busy state: MP3 position 0 from
//! start() (then the index of the last slide encoded) until both workers have ended and every
//! result is applied, when it returns to -1; the slides to encode MP3-busy until theirs is
//! applied; one picture being processed per picture slide until its result is applied.
class MediaPreparation
{
public:
    //! story, pool, messenger and progress must outlive this; progress's cancel stops it.
    MediaPreparation(Story& story, QThreadPool& pool, Messenger* messenger, EncodeProgress& progress);
    //! Cancels, waits for both workers and gives the story back its idle state; no result is
    //! applied after it returns.
    ~MediaPreparation();
    MediaPreparation(const MediaPreparation&) = delete;
    MediaPreparation& operator=(const MediaPreparation&) = delete;

    //! Takes the slides' records, marks the story busy and starts the workers. Once only.
    void start();
    //! Both workers have ended and their results are applied.
    bool isFinished() const { return m_finished; }

private:
    void applyNarration(const NarrationDone& done);
    void applyPicture(const PictureDone& done);
    void workerEnded();
    //! Clears what is still marked busy and returns the MP3 position to -1.
    void settle();

    Story& m_story;
    QThreadPool& m_pool;
    Messenger* m_messenger;
    EncodeProgress& m_progress;

    std::set<int> m_encodingSlides; //!< ids marked MP3-busy, not yet applied
    std::set<int> m_pictureSlides;  //!< ids counted as being processed, not yet applied
    int m_workersRunning = 0;
    bool m_started = false;
    bool m_finished = false;

    // Receives the workers' queued results; results still queued when it goes are dropped.
    QObject m_context;
    QFuture<void> m_narrations;
    QFuture<void> m_pictures;
    QFutureWatcher<void> m_narrationsWatcher;
    QFutureWatcher<void> m_picturesWatcher;
};
