#include "publish/publicationrun.h"

#include "audio/mp3encoder.h"
#include "audio/narrationencoding.h"
#include "publish/mediapreparation.h"
#include "publish/uploadform.h"
#include "story/story.h"

#include <QFile>

PublicationRun::PublicationRun(Context context) : m_ctx(std::move(context)) {}

PublicationRun::~PublicationRun()
{
    m_cancel.store(true);
    for (std::thread* t : {&m_preparation, &m_verify, &m_upload})
        if (t->joinable())
            t->join();
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
    story.setMp3Position(0);
    m_preparationWatched = true;
    if (type == int(StoryType::Picture)) {
        std::vector<PreparationItem> items = preparationItems(story);
        m_preparation = std::thread([this, items = std::move(items)] {
            prepareStoryMedia(m_ctx.story, items, m_ctx.messenger, m_cancel);
        });
    } else {
        PodcastJob job = podcastJob(story);
        m_preparation = std::thread([this, job = std::move(job)] {
            const PodcastResult result = assemblePodcast(m_ctx.story, job, m_ctx.messenger, &m_cancel);
            if (!result.error.isEmpty()) {
                std::lock_guard lock(m_preparationErrorLock);
                m_preparationError = result.error;
            }
        });
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
    QString error;
    {
        std::lock_guard lock(m_preparationErrorLock);
        error = m_preparationError;
    }
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
    m_verify = std::thread([this, url, form] {
        m_verifyStarted.store(true);
        m_verifyResult = m_ctx.client.post(url, form, [this](qint64, qint64) { return !m_cancel.load(); });
        m_verifyDone.store(true);
    });
}

void PublicationRun::verifyTick()
{
    if (m_verifyHandled || !m_verifyStarted.load() || !m_verifyDone.load())
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
    m_upload = std::thread([this, address, form, replyCopy] {
        const auto progress = [this](qint64 sent, qint64 total) {
            double p = total > 0 ? double(sent) / double(total) : double(sent) / 1e9;
            p = std::min(p, 1.0);
            m_uploadProgress.store(p);
            if (p == 1.0)
                m_uploadComplete.store(true);
            return !m_cancel.load();
        };
        m_uploadResult = m_ctx.client.post(address, form, progress);
        // The service's last answer is kept beside the program for support.
        QFile copy(replyCopy);
        if (!m_uploadResult.reply.isEmpty() && copy.open(QIODevice::WriteOnly | QIODevice::Truncate))
            copy.write(m_uploadResult.reply);
        m_uploadDone.store(true);
    });
}

double PublicationRun::preparationFraction() const
{
    const Story& story = m_ctx.story;
    const int position = story.mp3Position();
    if (position == -1)
        return 1.0;
    const int percent = encodeProgressPercent.load();
    if (story.isPodcast())
        return percent / 100.0;
    const int total = story.totalLength();
    const Slide* current = story.slideAt(position);
    if (total <= 0 || !current)
        return 0.0;
    int seconds = current->narrationLength() * percent / 100;
    for (int i = 0; i < position; ++i)
        seconds += story.slideAt(i)->narrationLength();
    return double(seconds) / double(total);
}

double PublicationRun::progressTick()
{
    const double preparation = preparationFraction();
    m_bar = 0.5 * preparation + 0.5 * m_uploadProgress.load();
    if (m_phase != Phase::Uploading || m_resultShown || !m_uploadDone.load())
        return m_bar;
    m_resultShown = true;
    if (!m_uploadResult.transportOk) {
        m_failureDetail = m_uploadResult.error;
        finish(Phase::UploadFailed, QStringLiteral("Error "), QStringLiteral("The upload failed: %1").arg(m_failureDetail));
        return m_bar;
    }
    const UploadReply reply = parseUploadReply(m_uploadResult.reply);
    if (reply.success) {
        m_ctx.story.setUniqueId(reply.uniqueId);
        if (m_ctx.quietSave && !m_ctx.quietSave())
            m_failureDetail = QStringLiteral("Published, but the story could not be saved with its new id.");
        finish(Phase::Published, QStringLiteral("Success!"), QStringLiteral("Pictorelle published on PictorelleWeb"));
    } else {
        m_failureDetail = serviceText(m_uploadResult.reply);
        finish(Phase::UploadFailed, QStringLiteral("Error %1").arg(reply.errorWord),
               QStringLiteral("Please fix the error and try again."));
    }
    return m_bar;
}

void PublicationRun::cancel()
{
    m_cancel.store(true);
}

QString PublicationRun::detailAddress() const
{
    return QStringLiteral("%1/?page=detail&cid=%2").arg(m_ctx.serviceBase).arg(m_ctx.story.uniqueId());
}
