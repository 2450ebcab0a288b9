#pragma once

#include "audio/mp3encoder.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class Messenger;

//! MP3s made before, each kept under the key of what it was made from: the encoder's settings
//! (with whether, and to what, the loudness was evened out), the wave's format and its samples.
//! A narration recorded, imported or restored by an undo finds its MP3 here whenever those
//! samples were encoded so before, by this program or another one using the same folder. Files appear under their key only once complete (written under a
//! unique name, then renamed), so readers on any thread or process never see half an MP3.
//! Least recently used files are removed once the folder holds more than its capacity.
class Mp3Cache
{
public:
    explicit Mp3Cache(QString folder, qint64 capacityBytes = 256 * 1024 * 1024);

    //! The cache folder of a program folder.
    static QString folderIn(const QString& programFolder);

    //! The key of the wave at wavPath as it is now (hex text), encoded as it is or evened out;
    //! empty when it is not a wave the encoder takes or cannot be read whole.
    static QByteArray keyOf(const QString& wavPath, bool evenLoudness = false);
    //! The key of the waves' samples one after another (a podcast's segments): as it is, that
    //! of the waves joined into one (the joined format is the last one's); evened out, it also
    //! tells where each wave ends. Empty unless every wave is keyable and of one format.
    static QByteArray keyOf(const QStringList& wavPaths, bool evenLoudness = false);

    QString folder() const { return m_folder; }
    //! Where the MP3 of key is kept (whether or not it is there).
    QString fileFor(const QByteArray& key) const;

    //! Puts the MP3 kept for key at path, replacing what is there: a hard link where the
    //! file system allows, else a copy. False (path untouched) when none is kept.
    bool fetch(const QByteArray& key, const QString& path) const;
    //! Keeps the MP3 at path under key; false when it could not be kept.
    bool store(const QByteArray& key, const QString& path);

    //! Makes sure the MP3 of the wave at wavPath (evened out or not) is kept, encoding it when it
    //! is not; touches nothing outside the cache folder. Returns the key, or empty when nothing
    //! was kept (the wave unreadable, the encoding failed or was cancelled, see result).
    QByteArray fill(const QString& wavPath, Messenger* messenger, EncodeProgress* progress,
                    Mp3EncodeResult* result = nullptr, bool evenLoudness = false);
    //! fill for the samples of several waves one after another (see encodeWavesToMp3).
    QByteArray fill(const QStringList& wavPaths, Messenger* messenger, EncodeProgress* progress,
                    Mp3EncodeResult* result = nullptr, bool evenLoudness = false);

    //! Removes the least recently used files until the folder holds at most its capacity.
    void trim() const;

private:
    QString m_folder; //!< ends with "/"
    qint64 m_capacity;
};

//! What a conversion through the cache made.
struct CachedEncode
{
    Mp3EncodeResult encode;
    bool fromCache = false; //!< taken from the cache without encoding
};

//! Puts the MP3 of the wave at wavPath (evened out or not) at mp3Path: from the cache when its
//! samples were encoded so before, else encoded (and then kept in the cache). Any earlier MP3
//! at mp3Path is gone first, so a failure never leaves an old one to be published. Any thread.
CachedEncode encodeThroughCache(Mp3Cache& cache, const QString& wavPath, const QString& mp3Path, Messenger* messenger,
                                EncodeProgress* progress, bool evenLoudness = false);
//! encodeThroughCache for the samples of several waves one after another (see encodeWavesToMp3).
CachedEncode encodeThroughCache(Mp3Cache& cache, const QStringList& wavPaths, const QString& mp3Path,
                                Messenger* messenger, EncodeProgress* progress, bool evenLoudness = false);
