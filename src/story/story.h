#pragma once

#include "story/picturejob.h"
#include "story/slide.h"
#include "story/storytypes.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <vector>

class PictureImportService;
class QUndoCommand;
class QUndoStack;

//! The one story being edited: its slides, texts and working folder. Lives on the
//! thread that created it (the GUI thread in the program); workers report through
//! applyImport, which runs on that thread.
//!
//! The story tells what changed through its signals, once per change and only when a value
//! really changed, always on its own thread; views redraw from them. User edits are commands
//! pushed with push() onto the story's one undoStack() (AddSlidesCommand, DeleteSlideCommand,
//! MoveSlideCommand, RotateSlideCommand, ChangePhotoCommand, EditSlideTextCommand,
//! EditStoryTextCommand, ChooseCategoryCommand, ClearNarrationCommand, RecordNarrationCommand,
//! ImportNarrationCommand, ImportSegmentCommand);
//! Undo and Redo go through undo()/redo(), which wait while a step cannot run. The stack's
//! clean state is the modified flag.
class Story : public QObject
{
    Q_OBJECT

public:
    //! While one lives, the story's field signals (slideChanged, narrationChanged,
    //! storyInfoChanged, currentChanged, modifiedChanged) are gathered and told when the
    //! outermost batch ends: once per slide and signal, in slide order. slideAdded, slideRemoved
    //! and slideMoved are told at once. Story thread only.
    class ChangeBatch
    {
    public:
        explicit ChangeBatch(Story& story);
        ~ChangeBatch();
        ChangeBatch(const ChangeBatch&) = delete;
        ChangeBatch& operator=(const ChangeBatch&) = delete;

    private:
        Story& m_story;
    };

    //! For work that replaces the whole story (reset, load): while one lives the story tells
    //! nothing; when the outermost goes it tells storyReset() once, then modifiedChanged() if
    //! the flag differs from what was last told.
    class Replacing
    {
    public:
        explicit Replacing(Story& story);
        ~Replacing();
        Replacing(const Replacing&) = delete;
        Replacing& operator=(const Replacing&) = delete;

    private:
        Story& m_story;
    };

    static constexpr int MaxSlides = 50;

    //! programFolder ends with "/"; importer may be null (pictures are then never imported).
    //! workingFolder (ending with "/") is the folder this story's media live in; empty means
    //! programFolder + "temp/". Each running program keeps its own, so one never empties
    //! another's.
    explicit Story(const QString& programFolder, PictureImportService* importer = nullptr, QObject* parent = nullptr,
                   const QString& workingFolder = QString());
    ~Story() override;

    //! New story: clears the undo stack, waits for running imports, drops every slide, empties
    //! the working folder. Tells storyReset() (and modifiedChanged(false) when it was modified).
    void reset();

    int count() const { return int(m_slides.size()); }
    //! Null outside 0..count − 1.
    Slide* slideAt(int index) const;
    //! Index of the slide with that id, -1 when none.
    int indexOfId(int slideId) const;
    //! Index of that very slide object, -1 when it is not (or no longer) in this story.
    int indexOf(const Slide* slide) const;
    //! -1 for an empty story; a non-empty story with no current slide gets 0.
    int currentIndex();
    //! Tells currentChanged when the current index or the slide at it changes.
    void setCurrentIndex(int index);
    //! Makes index the current slide; false outside the list.
    bool select(int index);

    //! Appends the slide (then moves it to insertIndex unless -1), names its files and
    //! starts its import. Refuses a 51st slide and a picture already in the story; a
    //! refused slide is destroyed. Tells slideAdded(final index).
    bool add(std::unique_ptr<Slide> slide, int insertIndex = -1);
    //! Refuses an empty story, a bad index, and a slide recording, importing or encoding.
    //! Tells slideRemoved(index), then currentChanged as the current slide moves on.
    bool remove(int index);
    //! Takes the slide out as remove() does (same refusals, same current slide) but
    //! hands it over instead of destroying it; null when refused. Its files stay on disk.
    std::unique_ptr<Slide> takeSlide(int index);
    //! Puts back a slide taken out of this story, at index (-1 or past the end: appended): no new
    //! id, no renaming, no import. Refuses a 51st slide, a slide made for another story and a
    //! picture already in the story. On true the story owns it (slide is null); on false the
    //! caller still does. Tells slideAdded(index).
    bool insertSlide(std::unique_ptr<Slide>& slide, int index);
    //! Moves a slide. Tells slideMoved(from, to) when from ≠ to; the current index stays (the
    //! slide at it may change).
    void move(int from, int to);
    //! Gives a picture slide a new picture: new slide JPEG name, import again.
    void changePicture(int index, const QString& path);

    //! Sum of narration lengths in seconds.
    int totalLength() const;

    // Texts (setters cut to capacity; one-line fields lose line breaks, multi-line ones keep CR LF).
    QString title() const { return m_title; }
    void setTitle(const QString& title);
    QString description() const { return m_description; }
    void setDescription(const QString& description);
    QString tags() const { return m_tags; }
    void setTags(const QString& tags);
    QString categoryName() const { return m_categoryName; }
    void setCategoryName(const QString& name);
    QString owner() const { return m_owner; }
    void setOwner(const QString& owner);
    QString transcript() const { return m_transcript; }
    void setTranscript(const QString& transcript);
    bool transcriptPublish() const { return m_transcriptPublish; }
    void setTranscriptPublish(bool publish);

    int type() const { return m_type; }
    void setType(int type);
    bool isPodcast() const { return m_type == int(StoryType::Podcast); }
    int categoryId() const { return m_categoryId; }
    void setCategoryId(int id);
    //! Name and id together, telling storyInfoChanged once.
    void setCategory(const QString& name, int id);
    int uniqueId() const { return m_uniqueId; }
    void setUniqueId(int id);

    QString programFolder() const { return m_programFolder; }
    //! The folder of the story's media (program folder + "temp/" unless given otherwise).
    QString workingFolder() const { return m_workingFolder; }
    QString storyFilePath() const { return m_storyFilePath; }
    void setStoryFilePath(const QString& path) { m_storyFilePath = path; }
    QString podcastWavPath() const { return m_workingFolder + QStringLiteral("podcast.wav"); }
    QString podcastMp3Path() const { return m_workingFolder + QStringLiteral("podcast.mp3"); }
    qint64 podcastMp3Size() const { return m_podcastMp3Size.load(); }
    void setPodcastMp3Size(qint64 bytes) { m_podcastMp3Size.store(bytes); }

    //! Unsaved changes: the undo stack is away from its clean state, or something changed
    //! outside the stack (setModified(true)).
    bool isModified() const;
    //! true: marks a change made outside the undo stack (it stays until the next save).
    //! false (after a save): the stack's present state becomes the clean one.
    void setModified(bool modified);

    //! Takes a fresh slide id (slides take theirs at construction, picture changes too).
    int takeSlideId() { return m_nextSlideId++; }

    // Busy state, read by the GUI and written by workers.
    int runningImports() const { return m_runningImports.load(); }
    int picturesBeingProcessed() const { return m_picturesBeingProcessed.load(); }
    void beginPictureProcessing() { ++m_picturesBeingProcessed; }
    void endPictureProcessing() { --m_picturesBeingProcessed; }
    //! -1 when idle; the slide index being encoded while media are prepared.
    int mp3Position() const { return m_mp3Position.load(); }
    void setMp3Position(int position) { m_mp3Position.store(position); }
    //! Imports are running or media are being prepared: no load, reset or close now.
    bool isBusy() const { return runningImports() > 0 || mp3Position() != -1; }

    //! The import job for a slide as it stands now (paths, rotation).
    PictureJob pictureJob(const Slide& slide, bool import) const;
    //! Counts an import of the slide as started and returns its generation; called by the import service.
    int importStarted(Slide& slide);
    //! Applies a finished import; results for slides gone since (or from before a reset) are dropped.
    void applyImport(quint64 epoch, int slideId, int generation, const PictureResult& result);
    //! Applies a re-processing run to the slide, on the story's thread.
    void applyReprocess(Slide& slide, const PictureResult& result);
    //! Runs the event loop until no import is running; for callers without a GUI.
    void waitForImports();

    PictureImportService* importer() const { return m_importer; }

    //! Advanced by every reset: import results of an older epoch are stale.
    quint64 epoch() const { return m_epoch; }

    //! The story's one undo stack; owned by the story, cleared by reset().
    QUndoStack* undoStack() const { return m_undoStack; }
    //! Pushes an edit onto the undo stack (doing it). False when the story refused it or it
    //! changed nothing: the command is then deleted and the stack is as it was.
    bool push(QUndoCommand* command);
    //! The newest step can be undone now: not while a take records, nor while a slide the
    //! step needs is importing or encoding. Ask again on QUndoStack::indexChanged, slideReady
    //! and narrationChanged.
    bool canUndoNow() const;
    bool canRedoNow() const;
    //! Undo/Redo as the user's commands: false (and nothing done) when not possible now.
    bool undo();
    bool redo();

signals:
    //! A slide's picture import finished (the slide is ready).
    void slideReady(int index);
    //! The last running import finished.
    void importsFinished();
    //! A slide now stands at index (added, or put back by an undo).
    void slideAdded(int index);
    //! The slide that stood at index is gone.
    void slideRemoved(int index);
    void slideMoved(int from, int to);
    //! Caption, tags, cue text, rotation, kind, file names, or the picture or thumbnail of
    //! the slide at index changed.
    void slideChanged(int index);
    //! The has-narration flag, the narration length or the recording flag changed, or the
    //! narration WAV holds another take.
    void narrationChanged(int index);
    //! Title, description, tags, category name or id, owner, transcript, transcript-publish
    //! flag, type or unique id changed.
    void storyInfoChanged();
    //! The current index, or the slide standing at it, changed; index as currentIndex() gives it.
    void currentChanged(int index);
    void modifiedChanged(bool modified);
    //! The whole story was replaced (reset, load): views start afresh.
    void storyReset();

private:
    friend class Slide;
    friend class StoryCommand;
    enum class Change {
        Content,
        Narration
    };

    void moveQuietly(int from, int to);
    int effectiveCurrent() const;
    //! A slide's field changed; called by the slide, on any thread.
    void slideChanging(const Slide& slide, Change change);
    void note(int slideId, Change change);
    void noteInfo();
    void flush();
    void endReplacing();
    //! Signals are told (not inside a Replacing).
    bool telling() const { return m_replaceDepth == 0; }
    void countRefusal() { ++m_refusals; }

    QString m_programFolder;
    QString m_workingFolderBase;
    QString m_workingFolder;
    PictureImportService* m_importer;
    std::vector<std::unique_ptr<Slide>> m_slides;
    //! Changed outside the undo stack since the last save.
    bool m_modifiedOutside = false;
    QUndoStack* m_undoStack = nullptr;
    int m_batchDepth = 0;
    int m_replaceDepth = 0;
    std::vector<int> m_pendingContent;   //!< slide ids
    std::vector<int> m_pendingNarration; //!< slide ids
    bool m_pendingInfo = false;
    int m_toldCurrent = -1;
    int m_toldCurrentId = -1;
    bool m_toldModified = false;
    int m_refusals = 0;
    QString m_transcript;
    bool m_transcriptPublish = false;
    int m_currentIndex = -1;
    int m_nextSlideId = 0;
    int m_type = int(StoryType::Picture);
    QString m_description;
    QString m_title;
    QString m_tags;
    QString m_categoryName;
    QString m_storyFilePath;
    QString m_owner;
    int m_categoryId = 0;
    int m_uniqueId = -1;
    std::atomic<int> m_runningImports{0};
    std::atomic<int> m_picturesBeingProcessed{0};
    std::atomic<int> m_mp3Position{-1};
    std::atomic<qint64> m_podcastMp3Size{0};
    quint64 m_epoch = 0;
};

//! The category name of a story with no category chosen.
QString noCategoryText();
