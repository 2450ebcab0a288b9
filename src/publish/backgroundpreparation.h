#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>

#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

class EncodeProgress;
class Messenger;
class Story;

//! Encodes the story's narrations into the MP3 cache of its program folder while the author
//! works, so that publishing finds them made. Shortly after a narration is recorded, recorded
//! over, imported, put back by an undo or loaded with a story, its samples are encoded on a
//! pool of low-priority threads (one per core); a narration whose samples are already kept is
//! not encoded again. A podcast's one MP3 is made the same way, from all its segments, once
//! every segment is recorded. With even loudness on, the MP3s are made from the narrations
//! brought to the even loudness (a podcast's segments each on its own), as publishing makes
//! them. Only the cache folder is written: the story and its working files are left alone, so
//! nothing here races with a recording or a publication. Lives on the story's thread; the
//! story must outlive it.
class BackgroundPreparation : public QObject
{
    Q_OBJECT

public:
    //! Whether the encodings give way to everything else (while the author works) or run at
    //! the program's own priority (when the author waits for them, as pictorelle-cli new does).
    enum class Priority {
        Low,
        Normal
    };
    //! threads ≤ 0: one per core. delayMs: how long after the last change the story is looked at.
    explicit BackgroundPreparation(Story& story, int threads = 0, int delayMs = 300, Priority priority = Priority::Low);
    //! Stops the running encodings and waits for them.
    ~BackgroundPreparation() override;
    BackgroundPreparation(const BackgroundPreparation&) = delete;
    BackgroundPreparation& operator=(const BackgroundPreparation&) = delete;

    //! Looks at every slide now instead of after the delay.
    void prepareNow();
    //! Stops what runs, drops what waits and starts nothing until resume(): a publication
    //! encodes what is missing itself, on every core.
    void pause();
    //! Starts again, looking at every slide.
    void resume();
    //! Blocks until nothing is queued or running and every result is taken in (story thread).
    void waitForDone();

    //! Whether the MP3s are made from the narrations brought to the even loudness; off until
    //! set. Switching it stops what runs and prepares every narration again for the new
    //! setting, and marks the slides' own MP3s (made for the old one) as not encoded, so the
    //! next publication puts the right ones in their place.
    void setEvenLoudness(bool on);
    bool evenLoudness() const { return m_evenLoudness; }

    //! Narrations queued or being encoded.
    int pendingCount() const { return int(m_queued.size()); }
    //! Narrations (or a podcast's one MP3) this has found encoded in the cache, as they stand.
    int keptCount() const { return int(m_kept.size()) + (m_podcastKept ? 1 : 0); }
    int threadCount() const { return m_pool.maxThreadCount(); }

signals:
    //! Nothing is queued or running any more.
    void idle();

private:
    //! Size and modification time of a narration WAV when it was queued.
    struct WaveStamp
    {
        qint64 size = -1;
        qint64 modifiedNs = 0;
        bool operator==(const WaveStamp&) const = default;
    };
    static WaveStamp stampOf(const QString& path);
    //! A podcast's segments when its MP3 was queued: their WAVs and stamps, in show order.
    struct PodcastStamp
    {
        QStringList paths;
        std::vector<WaveStamp> stamps;
        bool operator==(const PodcastStamp&) const = default;
    };
    //! The podcast's segments as they stand; nullopt while one is missing or being recorded.
    std::optional<PodcastStamp> podcastStamp() const;
    //! Stands for the podcast's one MP3 in m_queued (no slide has this id).
    static constexpr int podcastId = std::numeric_limits<int>::min();

    void scan();
    void scanNarrations();
    void scanPodcast();
    void finished(quint64 generation, int slideId, WaveStamp stamp, bool kept);
    void podcastFinished(quint64 generation, const PodcastStamp& stamp, bool kept);
    //! Cancels the running batch and begins a new one.
    void newBatch();

    Story& m_story;
    QString m_cacheFolder;
    QThreadPool m_pool;
    QTimer m_delay;
    bool m_paused = false;
    bool m_evenLoudness = false;
    Priority m_priority;
    //! Bumped on a story reset and a pause: results of older jobs are ignored.
    quint64 m_generation = 0;
    std::shared_ptr<EncodeProgress> m_batch;   //!< the cancel of the jobs started since the last bump
    std::set<int> m_queued;                    //!< slide ids queued or being encoded
    std::map<int, WaveStamp> m_kept;           //!< slide id → the WAV as it was when its MP3 was kept
    std::optional<PodcastStamp> m_podcastKept; //!< the segments as they were when the podcast's MP3 was kept
    QObject m_context;                         //!< receives the jobs' queued results
};
