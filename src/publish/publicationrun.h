#pragma once

#include "audio/encodeprogress.h"
#include "audio/narrationencoding.h"
#include "publish/replies.h"
#include "publish/serviceclient.h"
#include "story/storysave.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class MediaPreparation;
class Messenger;
class Story;
class UserAccount;

//! One publication from start to end, without its window: preparation of the media, the
//! verify request, the upload, and the outcome. The publish dialog and the CLI drive it
//! with the same three timer steps. Lives on the story's thread. Its work (preparation,
//! podcast assembly, both requests) runs on its own pool, never more threads than cores, on
//! copies of what it needs; results come back to the story's thread through queued calls and
//! future watchers, so the event loop must run. Progress and cancel are the run's own.
class PublicationRun
{
public:
    enum class Phase {
        Preparing,
        Verifying,
        Uploading,
        VerifyFailed,
        Published,
        UploadFailed
    };

    //! The save of the story with its new id once the upload succeeded, without a message.
    //! The run writes it on its pool and shows the outcome once the save is over.
    struct QuietSave
    {
        //! On the story's thread: what to write (takeStoryForSave); nothing when the story
        //! cannot be saved now, which counts as a failed save.
        std::function<std::optional<StorySave>()> take;
        //! On the story's thread, once the save was written: hands the result to the story
        //! (applyStorySave, the modified flag); true when the story is saved.
        std::function<bool(const SaveResult&)> finish;
    };

    struct Context
    {
        Story& story;
        const UserAccount& account;
        ServiceClient& client;
        Messenger* messenger = nullptr;
        QString serviceBase; //!< scheme and host, no trailing "/"
        QuietSave quietSave; //!< empty: nothing is saved after success
        //! The MP3s are made from the narrations brought to the even loudness (the podcast's
        //! segments each on its own); the WAVs are left as recorded.
        bool evenLoudness = false;
    };

    explicit PublicationRun(Context context);
    //! Cancels, waits for every worker and leaves the story idle (MP3 position -1, nothing
    //! marked busy); a quiet save under way is waited for and handed over (finish) all the
    //! same. Nothing is written to the story after it returns.
    ~PublicationRun();
    PublicationRun(const PublicationRun&) = delete;
    PublicationRun& operator=(const PublicationRun&) = delete;

    //! Starts preparing the media (podcast assembly or MP3 preparation).
    void start();
    //! Every 250 ms: starts verification once preparation has ended.
    void preparationTick();
    //! Every 500 ms: acts once on the verify reply.
    void verifyTick();
    //! Every 100 ms: returns the bar fraction and acts once on the upload's outcome; after a
    //! success, once more when the quiet save is over, which makes the run Published.
    double progressTick();
    //! The user cancelled: the preparation stops after the slide in hand, an upload aborts.
    void cancel();

    Phase phase() const { return m_phase; }
    bool isFinished() const;
    QString statusWord() const { return m_statusWord; }
    QString statusSentence() const { return m_statusSentence; }
    //! The dialog's caption; changes when verification fails.
    QString caption() const { return m_caption; }
    bool isCancelVisible() const { return !isFinished(); }
    //! The upload succeeded and the quiet save is being written: there is nothing left to
    //! cancel, and whoever shows the run stays open until it is over.
    bool isSaving() const { return m_saveStarted && !m_saveHandled; }
    bool isOkVisible() const { return isFinished(); }
    bool isViewVisible() const { return m_phase == Phase::Published; }
    //! For the verify error dialog: the service's sentence (or the transport error).
    QString verifyErrorText() const { return m_verifyError; }
    //! What went wrong beyond the status words: transport error, assembly error.
    QString failureDetail() const { return m_failureDetail; }
    //! The story's page on the service: base + "/?page=detail&cid=" + id.
    QString detailAddress() const;
    //! The bar fraction last computed.
    double barFraction() const { return m_bar; }
    //! This run's encoding: the percent of the narration in hand, and its cancel.
    EncodeProgress& encodeProgress() { return m_encoding; }
    const EncodeProgress& encodeProgress() const { return m_encoding; }

private:
    void startVerification();
    void startUpload(const QByteArray& address, const QByteArray& code);
    void finish(Phase phase, const QString& word, const QString& sentence);
    void startQuietSave();
    //! Hands the written quiet save over and shows the success.
    void endQuietSave();
    void showPublished(bool saved);
    double preparationFraction() const;

    Context m_ctx;
    Phase m_phase = Phase::Preparing;
    QString m_statusWord = QStringLiteral("Compressing");
    QString m_statusSentence = QStringLiteral("Preparing the Pictorelle.");
    QString m_caption = QStringLiteral("Pictorelle Dazuzarid - Publishing your slides");
    QString m_verifyError;
    QString m_failureDetail;
    bool m_preparationWatched = false;
    double m_bar = 0;

    // Story's thread only; the watchers set them when a worker's result arrives.
    bool m_podcastRunning = false;
    QString m_preparationError;
    bool m_verifyStarted = false;
    bool m_verifyDone = false;
    bool m_verifyHandled = false;
    bool m_uploadDone = false;
    bool m_resultShown = false;
    bool m_saveStarted = false;
    bool m_saveHandled = false;
    ServiceClient::Result m_verifyResult;
    ServiceClient::Result m_uploadResult;

    // Shared with the workers.
    EncodeProgress m_encoding;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_uploadComplete{false};
    std::atomic<double> m_uploadProgress{0};

    QThreadPool m_pool;
    std::unique_ptr<MediaPreparation> m_media;
    QFuture<PodcastResult> m_podcast;
    QFuture<ServiceClient::Result> m_verify;
    QFuture<ServiceClient::Result> m_upload;
    QFuture<SaveResult> m_save;
    QFutureWatcher<PodcastResult> m_podcastWatcher;
    QFutureWatcher<ServiceClient::Result> m_verifyWatcher;
    QFutureWatcher<ServiceClient::Result> m_uploadWatcher;
};
