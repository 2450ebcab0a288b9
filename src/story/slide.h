#pragma once

#include "story/storytypes.h"

#include <QImage>
#include <QString>

#include <atomic>

class Story;

//! One slide: a picture with its narration, or a podcast segment. Owned by its Story;
//! lives on the story's thread. Flags that worker threads read are atomic.
//! While it stands in its story, a setter that really changes a value has the story tell it
//! (slideChanged or narrationChanged, see Story); a slide outside it tells nothing.
class Slide
{
public:
    //! Takes the story's next slide id; kind picture; thumbnail is a copy of the placeholder.
    explicit Slide(Story& story);
    Slide(const Slide&) = delete;
    Slide& operator=(const Slide&) = delete;

    int id() const { return m_id; }
    Story& story() const { return m_story; }

    SlideKind kind() const { return m_kind; }
    //! A podcast segment is ready at once; other kinds keep their ready flag.
    void setKind(SlideKind kind);
    //! Seconds: 60 for a picture slide, 900 for a segment (and kind 3), 0 otherwise.
    int longestNarration() const { return ::longestNarration(m_kind); }

    // Texts: setters cut to capacity; captions keep line breaks as CR LF.
    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);
    QString tags() const { return m_tags; }
    void setTags(const QString& tags);
    QString cueText() const { return m_cueText; }
    void setCueText(const QString& cue);

    // Working-file paths.
    QString sourcePicturePath() const { return m_sourcePicturePath; }
    void setSourcePicturePath(const QString& path);
    //! The picture the user chose, kept to refuse the same file twice after import renamed the source.
    QString chosenPicturePath() const { return m_chosenPicturePath; }
    void setChosenPicturePath(const QString& path) { m_chosenPicturePath = path; }
    QString narrationWavPath() const { return m_narrationWavPath; }
    void setNarrationWavPath(const QString& path);
    QString narrationMp3Path() const { return m_narrationMp3Path; }
    void setNarrationMp3Path(const QString& path);
    QString slideJpegPath() const { return m_slideJpegPath; }
    void setSlideJpegPath(const QString& path);
    QString thumbnailJpegPath() const { return m_thumbnailJpegPath; }
    void setThumbnailJpegPath(const QString& path);

    // Narration.
    bool hasNarration() const { return m_hasNarration; }
    void setHasNarration(bool has);
    //! Whole seconds.
    int narrationLength() const { return m_narrationLength; }
    void setNarrationLength(int seconds);
    //! Clears the flag, sets the length to 0 and deletes the narration WAV file (no undo: the
    //! ClearNarrationCommand keeps the file instead).
    void clearNarration();
    bool isRecording() const { return m_recording.load(); }
    void setRecording(bool recording);
    bool isMp3Encoded() const { return m_mp3Encoded.load(); }
    void setMp3Encoded(bool encoded) { m_mp3Encoded.store(encoded); }
    //! The narration WAV now holds another take (an undo or redo put one back): its MP3 is not
    //! up to date, and the story tells narrationChanged even when flag and length stay the same.
    void takeReplaced();
    bool isMp3Busy() const { return m_mp3Busy.load(); }
    void setMp3Busy(bool busy) { m_mp3Busy.store(busy); }
    //! Bytes of the narration MP3 after encoding.
    qint64 mp3Size() const { return m_mp3Size.load(); }
    void setMp3Size(qint64 bytes) { m_mp3Size.store(bytes); }

    // Picture.
    //! The import has finished; only a ready slide may be removed.
    bool isReady() const { return m_ready.load(); }
    void setReady(bool ready) { m_ready.store(ready); }
    bool isPictureLoaded() const { return m_pictureLoaded; }
    void setPictureLoaded(bool loaded) { m_pictureLoaded = loaded; }
    //! Quarter turns, accumulated; reduced modulo 4 when the picture is processed.
    int rotation() const { return m_rotation; }
    void setRotation(int quarterTurns);
    //! Quarter turns the slide JPEG on disk was made with; -1 before one was made.
    int jpegRotation() const { return m_jpegRotation; }
    void setJpegRotation(int quarterTurns) { m_jpegRotation = quarterTurns; }
    //! The slide JPEG carries the slide's rotation: publishing need not make it again.
    bool isJpegCurrent() const { return m_jpegRotation >= 0 && ((m_jpegRotation - m_rotation) % 4 + 4) % 4 == 0; }
    //! The slide JPEG decoded from memory; null until imported.
    QImage picture() const { return m_picture; }
    void replacePicture(const QImage& picture);
    //! 75 × 75 bitmap drawn by the strip.
    QImage thumbnail() const { return m_thumbnail; }
    void setThumbnail(const QImage& thumbnail);
    //! Bytes of the slide JPEG after processing.
    qint64 jpegSize() const { return m_jpegSize; }
    void setJpegSize(qint64 bytes) { m_jpegSize = bytes; }
    //! Counts picture imports started for this slide; only the newest one's result makes it ready.
    int importGeneration() const { return m_importGeneration; }
    int nextImportGeneration() { return ++m_importGeneration; }

private:
    void tellContent();
    void tellNarration();

    Story& m_story;
    int m_id;
    SlideKind m_kind = SlideKind::Picture;
    QString m_caption;
    QString m_tags;
    QString m_cueText;
    QString m_sourcePicturePath;
    QString m_chosenPicturePath;
    QString m_narrationWavPath;
    QString m_narrationMp3Path;
    QString m_slideJpegPath;
    QString m_thumbnailJpegPath;
    bool m_hasNarration = false;
    int m_narrationLength = 0;
    std::atomic<bool> m_recording{false};
    std::atomic<bool> m_mp3Encoded{false};
    std::atomic<bool> m_mp3Busy{false};
    std::atomic<qint64> m_mp3Size{0};
    std::atomic<bool> m_ready{false};
    bool m_pictureLoaded = false;
    int m_rotation = 0;
    int m_jpegRotation = -1;
    QImage m_picture;
    QImage m_thumbnail;
    qint64 m_jpegSize = 0;
    int m_importGeneration = 0;
};

//! The 75 × 75 thumbnail a picture slide shows until its picture is imported.
QImage placeholderThumbnail();
//! Replaces the placeholder with the program's artwork (scaled to 75 × 75, made opaque); slides
//! made later start with it. A null image is ignored.
void setPlaceholderThumbnail(const QImage& image);
