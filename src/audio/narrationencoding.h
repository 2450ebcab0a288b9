#pragma once

#include "audio/mp3encoder.h"
#include "audio/wavejoin.h"

#include <QString>
#include <QStringList>

class Messenger;
class Mp3Cache;
class Slide;
class Story;

//! What encoding one narration made, handed back to its slide on the story's thread.
struct NarrationMp3
{
    Mp3EncodeResult encode;
    //! The MP3 was made: the slide's MP3-encoded flag.
    bool encoded = false;
    //! Bytes of the MP3; 0 without one.
    qint64 mp3Size = 0;
};

//! Encodes a narration WAV into its MP3, publishing to progress (when given) and stopping
//! when it is cancelled (no MP3 then). With a cache, samples encoded so before are not encoded
//! again. With evenLoudness the MP3 is made from the samples brought to the even loudness; the
//! WAV is left as it is. Runs on any thread; touches no slide.
NarrationMp3 encodeNarration(const QString& wavPath, const QString& mp3Path, Messenger* messenger,
                             EncodeProgress* progress = nullptr, Mp3Cache* cache = nullptr, bool evenLoudness = false);

//! Encodes the slide's narration WAV into its narration MP3 and records the outcome: MP3-busy
//! while it runs, MP3-encoded when the MP3 was made, MP3 size from the file (0 without one).
//! Always true. Runs on the slide's (the story's) thread and blocks it until done; workers use
//! encodeNarration on copies of the paths instead.
bool encodeSlideNarration(Slide& slide, Messenger* messenger, EncodeProgress* progress = nullptr,
                          bool evenLoudness = false);

//! What a podcast assembly works on, taken from the story before the worker starts.
struct PodcastJob
{
    //! Every slide's narration WAV, in show order.
    QStringList segmentWavPaths;
    QString podcastWavPath;
    QString podcastMp3Path;
    //! The MP3 cache of the story's program folder; empty: none.
    QString mp3CacheFolder;
    //! The MP3 is made from the segments each brought to the even loudness on its own, so they
    //! sound equally loud; the WAVs (the segments and the joined one) are left as recorded.
    bool evenLoudness = false;
};

//! The job for the story's slides as they stand, evening the loudness out or not. Call on the
//! story's thread.
PodcastJob podcastJob(const Story& story, bool evenLoudness = false);

//! How a podcast assembly ended.
struct PodcastResult
{
    WaveJoinResult join;
    //! Meaningful once the join succeeded.
    Mp3EncodeResult encode;
    //! Bytes of the podcast MP3; 0 when none was made.
    qint64 mp3Size = 0;

    //! The user's text for a failure; empty on success. A missing encoder library has also
    //! been reported through the messenger.
    QString error;

    bool ok() const { return join.ok() && encode.ok(); }
};

//! Joins the job's segments into the podcast WAV and encodes it into the podcast MP3,
//! publishing the encoding's percent to progress and stopping when it is cancelled. Any
//! earlier podcast MP3 is deleted first, and a failed join leaves no podcast WAV. Runs on any
//! thread; touches no story (the caller stores mp3Size as the story's podcast MP3 size).
PodcastResult assemblePodcastFiles(const PodcastJob& job, Messenger* messenger, EncodeProgress* progress = nullptr);

//! assemblePodcastFiles on the story's thread, blocking it: the story's MP3 preparation
//! position is 0 while it runs and -1 once it returns, whatever happened, and the podcast MP3
//! size becomes the new MP3's (0 on any failure).
PodcastResult assemblePodcast(Story& story, const PodcastJob& job, Messenger* messenger,
                              EncodeProgress* progress = nullptr);

//! Takes podcastJob(story), then assembles it as above.
PodcastResult assemblePodcast(Story& story, Messenger* messenger, EncodeProgress* progress = nullptr);
