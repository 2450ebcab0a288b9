#include "publish/publicationrun.h"

#include "publish/mediapreparation.h"
#include "publish/uploadform.h"
#include "story/story.h"

#include <QFile>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

PublicationRun::PublicationRun(Context context) : m_ctx(std::move(context))
{
    // Preparation runs one encoder or picture per core, never more.
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
    QObject::connect(&m_podcastWatcher, &QFutureWatcherBase::finished, &m_podcastWatcher, [this] {
        const PodcastResult result = m_podcast.result();
        m_ctx.story.setPodcastMp3Size(result.mp3Size);
        m_preparationError = result.error;
        m_podcastRunning = false;
        m_ctx.story.setMp3Position(-1);
    });
    QObject::connect(&m_verifyWatcher, &QFutureWatcherBase::finished, &m_verifyWatcher, [this] {
        m_verifyResult = m_verify.result();
        m_verifyDone = true;
    });
    QObject::connect(&m_uploadWatcher, &QFutureWatcherBase::finished, &m_uploadWatcher, [this] {
        m_uploadResult = m_upload.result();
        m_uploadDone = true;
    });
}

PublicationRun::~PublicationRun()
{
    cancel();
    // Waits for the narrations and pictures and gives the story back its idle state.
    m_media.reset();
    // An assembly not yet begun never begins. A request always goes out once started (the
    // service sees it), and aborts at its first progress call.
    m_podcast.cancel();
    m_podcast.waitForFinished();
    m_verify.waitForFinished();
    m_upload.waitForFinished();
    // A quiet save is never cut short: it is written whole and the story learns where it went.
    if (isSaving()) {
        m_save.waitForFinished();
        endQuietSave();
    }
    // An assembly whose end was not yet handed over leaves the story idle, without a podcast.
    if (m_podcastRunning)
        m_ctx.story.setMp3Position(-1);
}

bool PublicationRun::isFinished() const
{
    return m_phase == Phase::VerifyFailed || m_phase == Phase::Published || m_phase == Phase::UploadFailed;
}

void PublicationRun::finish(Phase phase, const QString& word, const QString& sentence)
{
    m_phase = phase;
    m_statusWord = word;
    m_statusSentence = sentence;
}

void PublicationRun::start()
{
    Story& story = m_ctx.story;
    const int type = story.type();
    if (type != int(StoryType::Picture) && type != int(StoryType::Podcast)) {
        // Only pictures and podcasts have media to prepare; nothing would ever end a preparation.
        m_failureDetail = QStringLiteral("This kind of Pictorelle cannot be published.");
        finish(Phase::UploadFailed, QStringLiteral("Error "), m_failureDetail);
        return;
    }
    m_preparationWatched = true;
    if (type == int(StoryType::Picture)) {
        m_media = std::make_unique<MediaPreparation>(story, m_pool, m_ctx.messenger, m_encoding, m_ctx.evenLoudness);
        m_media->start();
    } else {
        story.setMp3Position(0);
        story.setPodcastMp3Size(0);
        m_podcastRunning = true;
        m_podcast =
            QtConcurrent::run(&m_pool, [job = podcastJob(story, m_ctx.evenLoudness), messenger = m_ctx.messenger,
                                        this] { return assemblePodcastFiles(job, messenger, &m_encoding); });
        m_podcastWatcher.setFuture(m_podcast);
    }
}

void PublicationRun::preparationTick()
{
    if (!m_preparationWatched || m_cancel.load())
        return;
    const Story& story = m_ctx.story;
    if (story.mp3Position() != -1 || story.picturesBeingProcessed() != 0)
        return;
    m_preparationWatched = false;
    const QString error = m_preparationError;
    if (!error.isEmpty()) {
        m_failureDetail = error;
        finish(Phase::UploadFailed, QStringLiteral("Error "), error);
        return;
    }
    startVerification();
}

void PublicationRun::startVerification()
{
    m_phase = Phase::Verifying;
    m_statusWord = QStringLiteral("Submitting");
    m_statusSentence = QStringLiteral("Sending the Pictorelle to the server.");
    const QByteArray url = m_ctx.serviceBase.toUtf8() + "/?action=verify";
    const Form form = buildVerifyForm(m_ctx.story, m_ctx.account);
    m_verifyStarted = true;
    ServiceClient& client = m_ctx.client;
    m_verify = QtConcurrent::run(&m_pool, [&client, url, form, this] {
        return client.post(url, form, [this](qint64, qint64) { return !m_cancel.load(); });
    });
    m_verifyWatcher.setFuture(m_verify);
}

void PublicationRun::verifyTick()
{
    if (m_verifyHandled || !m_verifyStarted || !m_verifyDone)
        return;
    m_verifyHandled = true;
    const VerifyReply reply = parseVerifyReply(m_verifyResult.reply);
    if (reply.ok) {
        startUpload(reply.address, reply.code);
        return;
    }
    m_verifyError = reply.failureText;
    if (!m_verifyResult.transportOk) {
        m_failureDetail = m_verifyResult.error;
        if (m_verifyError.isEmpty())
            m_verifyError = serviceText(m_verifyResult.error.toUtf8());
    }
    m_caption = QStringLiteral("Pictorelle Dazuzarid - Publish error");
    m_uploadProgress.store(-1);
    finish(Phase::VerifyFailed, QStringLiteral("Failed"), QStringLiteral("The Pictorelle was not published."));
}

void PublicationRun::startUpload(const QByteArray& address, const QByteArray& code)
{
    m_phase = Phase::Uploading;
    const Form form = buildUploadForm(m_ctx.story, m_ctx.account, code);
    const QString replyCopy = m_ctx.story.programFolder() + QStringLiteral("error_s.txt");
    ServiceClient& client = m_ctx.client;
    m_upload = QtConcurrent::run(&m_pool, [&client, address, form, replyCopy, this] {
        const auto progress = [this](qint64 sent, qint64 total) {
            double p = total > 0 ? double(sent) / double(total) : double(sent) / 1e9;
            p = std::min(p, 1.0);
            m_uploadProgress.store(p);
            if (p == 1.0)
                m_uploadComplete.store(true);
            return !m_cancel.load();
        };
        ServiceClient::Result result = client.post(address, form, progress);
        // The service's last answer is kept beside the program for support.
        QFile copy(replyCopy);
        if (!result.reply.isEmpty() && copy.open(QIODevice::WriteOnly | QIODevice::Truncate))
            copy.write(result.reply);
        return result;
    });
    m_uploadWatcher.setFuture(m_upload);
}

double PublicationRun::preparationFraction() const
{
    const Story& story = m_ctx.story;
    if (story.mp3Position() == -1)
        return 1.0;
    if (story.isPodcast())
        return m_encoding.percent() / 100.0;
    const int total = story.totalLength();
    if (total <= 0 || !m_media)
        return 0.0;
    return std::min(1.0, double(m_media->preparedSeconds()) / double(total));
}

double PublicationRun::progressTick()
{
    const double preparation = preparationFraction();
    m_bar = 0.5 * preparation + 0.5 * m_uploadProgress.load();
    if (isSaving()) {
        if (m_save.isFinished())
            endQuietSave();
        return m_bar;
    }
    if (m_phase != Phase::Uploading || m_resultShown || !m_uploadDone)
        return m_bar;
    m_resultShown = true;
    if (!m_uploadResult.transportOk) {
        m_failureDetail = m_uploadResult.error;
        finish(Phase::UploadFailed, QStringLiteral("Error "),
               QStringLiteral("The upload failed: %1").arg(m_failureDetail));
        return m_bar;
    }
    const UploadReply reply = parseUploadReply(m_uploadResult.reply);
    if (reply.success) {
        m_ctx.story.setUniqueId(reply.uniqueId);
        startQuietSave();
    } else {
        m_failureDetail = serviceText(m_uploadResult.reply);
        finish(Phase::UploadFailed, QStringLiteral("Error %1").arg(reply.errorWord),
               QStringLiteral("Please fix the error and try again."));
    }
    return m_bar;
}

void PublicationRun::startQuietSave()
{
    if (!m_ctx.quietSave.take) {
        showPublished(true);
        return;
    }
    std::optional<StorySave> save = m_ctx.quietSave.take();
    if (!save) {
        showPublished(false);
        return;
    }
    m_saveStarted = true;
    // The media are copied on the pool: a story of fifty photos and narrations takes a while.
    m_save = QtConcurrent::run(&m_pool, [save = std::move(*save)] { return writeStorySave(save); });
}

void PublicationRun::endQuietSave()
{
    // Set first: finish may show a message, during which the ticks go on.
    m_saveHandled = true;
    const SaveResult result = m_save.result();
    showPublished(m_ctx.quietSave.finish ? m_ctx.quietSave.finish(result) : result.ok);
}

void PublicationRun::showPublished(bool saved)
{
    if (!saved)
        m_failureDetail = QStringLiteral("Published, but the story could not be saved with its new id.");
    finish(Phase::Published, QStringLiteral("Success!"), QStringLiteral("Pictorelle published on PictorelleWeb"));
}

void PublicationRun::cancel()
{
    m_cancel.store(true);
    m_encoding.requestCancel();
}

QString PublicationRun::detailAddress() const
{
    return QStringLiteral("%1/?page=detail&cid=%2").arg(m_ctx.serviceBase).arg(m_ctx.story.uniqueId());
}
