#pragma once

#include "audio/narrationencoding.h"
#include "story/picturejob.h"
#include "story/slide.h"

#include <QFuture>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
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
    bool mp3Current = false;     //!< its MP3-encoded flag when taken
    int rotation = 0;            //!< quarter turns
    bool pictureCurrent = false; //!< its slide JPEG already carries that rotation
    PictureJob picture;          //!< the picture made again with that rotation

    //! Has a narration whose MP3 is not current.
    bool needsEncoding() const { return hasNarration && !mp3Current; }
    //! A picture slide whose slide JPEG lacks its rotation.
    bool needsPicture() const { return kind == SlideKind::Picture && !pictureCurrent; }
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

//! Brings every file of a picture story's upload up to date on the given pool, one job per
//! narration to encode and per picture to make again, as many at a time as the pool allows
//! (one per core), from the narrations brought to the even loudness when evenLoudness (the
//! WAVs themselves are left as recorded). A narration whose samples were encoded so before
//! comes from the MP3 cache of the story's program folder; a picture whose slide JPEG already carries the slide's rotation
//! is not made again. Each result is applied to the story on its thread, by slide id; a slide
//! gone meanwhile is skipped. Lives on the story's thread, which sets and clears the story's
//! busy state: MP3 position 0 from start() (then the index of the last slide encoded) until
//! every job has ended and every result is applied, when it returns to -1; the slides to
//! encode MP3-busy until theirs is applied; one picture being processed per picture to make
//! until its result is applied.
class MediaPreparation
{
public:
    //! story, pool, messenger and progress must outlive this; progress's cancel stops it.
    MediaPreparation(Story& story, QThreadPool& pool, Messenger* messenger, EncodeProgress& progress,
                     bool evenLoudness = false);
    //! Cancels, waits for every job and gives the story back its idle state; no result is
    //! applied after it returns.
    ~MediaPreparation();
    MediaPreparation(const MediaPreparation&) = delete;
    MediaPreparation& operator=(const MediaPreparation&) = delete;

    //! Takes the slides' records, marks the story busy and starts the jobs. Once only.
    void start();
    //! Every job has ended and its results are applied.
    bool isFinished() const { return m_finished; }
    //! Seconds of narration up to date so far, of the story's whole length: those that needed
    //! no encoding, those encoded and the running encodings' share. Story thread.
    int preparedSeconds() const;

private:
    struct Job;
    void applyNarration(const NarrationDone& done);
    void applyPicture(const PictureDone& done);
    void jobEnded();
    //! Clears what is still marked busy and returns the MP3 position to -1.
    void settle();

    Story& m_story;
    QThreadPool& m_pool;
    Messenger* m_messenger;
    EncodeProgress& m_progress;
    bool m_evenLoudness;

    std::set<int> m_encodingSlides; //!< ids marked MP3-busy, not yet applied
    std::set<int> m_pictureSlides;  //!< ids counted as being processed, not yet applied
    //! One per narration to encode, each with its own progress (cancelled with m_progress).
    std::vector<std::unique_ptr<Job>> m_encodings;
    int m_readySeconds = 0; //!< narration that needed no encoding
    int m_jobsRunning = 0;
    bool m_started = false;
    bool m_finished = false;

    // Receives the jobs' queued results; results still queued when it goes are dropped.
    QObject m_context;
    std::vector<QFuture<void>> m_jobs;
};
