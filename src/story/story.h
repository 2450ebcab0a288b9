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

//! The one story being edited: its slides, texts and working folder. Lives on the
//! thread that created it (the GUI thread in the program); workers report through
//! applyImport, which runs on that thread.
class Story : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxSlides = 50;
    //! Strip pixels between two slide slots, and the first slot's x.
    static constexpr int SlotPitch = 95;
    static constexpr int FirstSlot = 20;

    //! programFolder ends with "/"; importer may be null (pictures are then never imported).
    //! workingFolder (ending with "/") is the folder this story's media live in; empty means
    //! programFolder + "temp/". Each running program keeps its own, so one never empties
    //! another's.
    explicit Story(const QString& programFolder, PictureImportService* importer = nullptr,
                   QObject* parent = nullptr, const QString& workingFolder = QString());
    ~Story() override;

    //! New story: waits for running imports, drops every slide, empties the working folder.
    void reset();

    int count() const { return int(m_slides.size()); }
    //! Null outside 0..count − 1.
    Slide* slideAt(int index) const;
    //! Index of the slide with that id, -1 when none.
    int indexOfId(int slideId) const;
    //! -1 for an empty story; a non-empty story with no current slide gets 0.
    int currentIndex();
    void setCurrentIndex(int index) { m_currentIndex = index; }
    //! Makes index the only selected slide and the current one; false outside the list.
    bool select(int index);

    //! Appends the slide (then moves it to insertIndex unless -1), names its files and
    //! starts its import. Refuses a 51st slide and a picture already in the story; a
    //! refused slide is destroyed.
    bool add(std::unique_ptr<Slide> slide, int insertIndex = -1);
    //! Refuses an empty story, a bad index, and a slide recording, importing or encoding.
    bool remove(int index);
    //! Moves a slide and lines all slides up on their home slots.
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
    void setTranscriptPublish(bool publish) { m_transcriptPublish = publish; }

    int type() const { return m_type; }
    void setType(int type) { m_type = type; }
    bool isPodcast() const { return m_type == int(StoryType::Podcast); }
    int categoryId() const { return m_categoryId; }
    void setCategoryId(int id) { m_categoryId = id; }
    int uniqueId() const { return m_uniqueId; }
    void setUniqueId(int id) { m_uniqueId = id; }

    QString programFolder() const { return m_programFolder; }
    //! The folder of the story's media (program folder + "temp/" unless given otherwise).
    QString workingFolder() const { return m_workingFolder; }
    QString storyFilePath() const { return m_storyFilePath; }
    void setStoryFilePath(const QString& path) { m_storyFilePath = path; }
    QString podcastWavPath() const { return m_workingFolder + QStringLiteral("podcast.wav"); }
    QString podcastMp3Path() const { return m_workingFolder + QStringLiteral("podcast.mp3"); }
    qint64 podcastMp3Size() const { return m_podcastMp3Size.load(); }
    void setPodcastMp3Size(qint64 bytes) { m_podcastMp3Size.store(bytes); }

    bool isModified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }
    bool positionsSettled() const { return m_positionsSettled; }
    void setPositionsSettled(bool settled) { m_positionsSettled = settled; }
    int lastInsertionSlot() const { return m_lastInsertionSlot; }
    void setLastInsertionSlot(int slot) { m_lastInsertionSlot = slot; }

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

signals:
    //! A slide's picture import finished (the slide is ready).
    void slideReady(int index);
    //! The last running import finished.
    void importsFinished();

private:
    void placeOnHomeSlots();

    QString m_programFolder;
    QString m_workingFolderBase;
    QString m_workingFolder;
    PictureImportService* m_importer;
    std::vector<std::unique_ptr<Slide>> m_slides;
    int m_lastInsertionSlot = -1;
    bool m_positionsSettled = true;
    bool m_modified = false;
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
