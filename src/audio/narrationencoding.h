#pragma once

#include "audio/mp3encoder.h"
#include "audio/wavejoin.h"

#include <QString>
#include <QStringList>

#include <atomic>

class Messenger;
class Slide;
class Story;

//! Encodes the slide's narration WAV into its narration MP3 and records the outcome: MP3-busy
//! while it runs, MP3-encoded when the MP3 was made, MP3 size from the file (0 without one).
//! Always true. Runs on a publishing worker; the slide's paths must not change meanwhile.
bool encodeSlideNarration(Slide& slide, Messenger* messenger);

//! What a podcast assembly works on, taken from the story before the worker starts.
struct PodcastJob
{
    //! Every slide's narration WAV, in show order.
    QStringList segmentWavPaths;
    QString podcastWavPath;
    QString podcastMp3Path;
};

//! The job for the story's slides as they stand. Call on the story's thread.
PodcastJob podcastJob(const Story& story);

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

//! Joins the job's segments into the podcast WAV and encodes it into the podcast MP3; stores
//! the MP3's size (0 on any failure) as the story's podcast MP3 size. Any earlier podcast MP3
//! is deleted first, and a failed join leaves no podcast WAV. The story's MP3 preparation
//! position is 0 while it runs and -1 once it returns, whatever happened. Runs on the
//! podcast assembly worker; touches only the story's atomic fields.
PodcastResult assemblePodcast(Story& story, const PodcastJob& job, Messenger* messenger,
                              const std::atomic<bool>* cancel = nullptr);

//! Takes podcastJob(story) on the calling thread, then assembles it there. The slides must not
//! change until it returns (the publish dialog is modal meanwhile).
PodcastResult assemblePodcast(Story& story, Messenger* messenger, const std::atomic<bool>* cancel = nullptr);
