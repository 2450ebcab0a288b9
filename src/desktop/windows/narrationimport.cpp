#include "desktop/windows/narrationimport.h"

#include "desktop/dialogs/prompter.h"
#include "story/importnarrationcommand.h"
#include "story/slide.h"
#include "story/story.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStandardPaths>

#include <utility>

namespace {

constexpr int TickMs = 50;
//! How often a take waits for its slide's narration encoding to end before it is put in place.
constexpr int BusyRetryMs = 50;

QString startFolder()
{
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    return !music.isEmpty() && QFileInfo(music).isDir() ? music : QDir::homePath();
}

} // namespace

NarrationImport::NarrationImport(Story& story, Prompter& prompter, QWidget* owner, Decoder decoder)
    : QObject(nullptr),
      m_story(story),
      m_prompter(prompter),
      m_owner(owner),
      m_decoder(decoder ? std::move(decoder)
                        : Decoder([](const QString& path, const QString& folder, const AudioDecodeOptions& options) {
                              return AudioFileDecoder(path).decodeToFolder(folder, options);
                          })),
      m_folder(startFolder())
{
    m_ticker.setInterval(TickMs);
    connect(&m_ticker, &QTimer::timeout, this, &NarrationImport::tick);
}

NarrationImport::~NarrationImport()
{
    m_cancel.store(true);
    if (m_worker.joinable())
        m_worker.join();
    m_ticker.stop();
    m_box.reset();
    // A take decoded but never handed to a command is nobody's.
    const QString leftover = m_resultTaken ? m_ownedTake : m_result.wavePath;
    if (!leftover.isEmpty())
        QFile::remove(leftover);
}

QProgressDialog* NarrationImport::progressBox() const
{
    return m_box.get();
}

void NarrationImport::importNarration(int index)
{
    const Slide* slide = m_story.slideAt(index);
    if (m_running || !slide)
        return;
    const int id = slide->id();
    if (slide->isRecording()) {
        warn(false, QStringLiteral("Slide %1 is being recorded. Stop the recording before importing a narration.")
                        .arg(index + 1));
        return;
    }
    if (slide->hasNarration() && !m_prompter.confirmNarrationPrompt(Prompter::NarrationPrompt::RecordOver))
        return;
    const QString file = m_prompter.chooseAudioFile(m_folder);
    if (file.isEmpty())
        return;
    m_folder = QFileInfo(file).absolutePath();
    // The questions run their own event loops: the slide may be gone.
    slide = m_story.slideAt(m_story.indexOfId(id));
    if (!slide || m_running)
        return;
    Job job;
    job.slideId = id;
    job.file = file;
    job.limitSeconds = slide->longestNarration();
    start(job);
}

void NarrationImport::importSegment(int afterIndex)
{
    if (m_running || !m_story.isPodcast())
        return;
    if (m_story.count() >= Story::MaxSlides) {
        warn(true, QStringLiteral("A podcast holds at most %1 segments.").arg(Story::MaxSlides));
        return;
    }
    const Slide* after = m_story.slideAt(afterIndex);
    const int afterId = after ? after->id() : -1;
    const QString file = m_prompter.chooseAudioFile(m_folder);
    if (file.isEmpty() || m_running)
        return;
    m_folder = QFileInfo(file).absolutePath();
    Job job;
    job.segment = true;
    job.slideId = afterId;
    job.file = file;
    job.limitSeconds = longestNarration(SlideKind::Segment);
    start(job);
}

void NarrationImport::start(const Job& given)
{
    m_job = given;
    // Decoded next to the slides' takes, so that putting it in place is a rename.
    m_job.folder = m_story.workingFolder();
    m_job.epoch = m_story.epoch();
    m_running = true;
    m_cancel.store(false);
    m_percent.store(0);
    m_result = AudioDecodeResult();
    m_resultTaken = false;
    AudioDecodeOptions options;
    options.limitSeconds = m_job.limitSeconds;
    options.keepBeginning = m_job.keepBeginning;
    options.cancel = &m_cancel;
    options.progress = [this](int percent) { m_percent.store(percent); };
    // The worker gets values only; the result waits in m_result until the worker is joined.
    m_worker = std::thread([this, decoder = m_decoder, file = m_job.file, folder = m_job.folder, options] {
        m_result = decoder(file, folder, options);
        QMetaObject::invokeMethod(this, &NarrationImport::decoded, Qt::QueuedConnection);
    });
    m_elapsed.start();
    m_ticker.start();
}

void NarrationImport::tick()
{
    if (!m_box && m_elapsed.elapsed() >= ProgressDelayMs)
        showProgress();
    if (m_box)
        m_box->setValue(m_percent.load());
}

void NarrationImport::showProgress()
{
    const QString caption = m_job.segment ? QStringLiteral("Import Segment") : QStringLiteral("Import Narration");
    m_box = std::make_unique<QProgressDialog>(QStringLiteral("Importing \"%1\"…").arg(QFileInfo(m_job.file).fileName()),
                                              QStringLiteral("Cancel"), 0, 100, m_owner);
    m_box->setObjectName(QStringLiteral("IMPORT_PROGRESS_BOX"));
    m_box->setWindowTitle(caption);
    m_box->setWindowModality(Qt::WindowModal);
    m_box->setAutoClose(false);
    m_box->setAutoReset(false);
    m_box->setMinimumDuration(0);
    m_box->setValue(m_percent.load());
    connect(m_box.get(), &QProgressDialog::canceled, this, &NarrationImport::cancel);
    m_box->show();
}

void NarrationImport::cancel()
{
    if (!m_running)
        return;
    m_cancel.store(true);
    if (m_box)
        m_box->setLabelText(QStringLiteral("Cancelling…"));
}

void NarrationImport::decoded()
{
    if (m_worker.joinable())
        m_worker.join();
    m_ticker.stop();
    m_box.reset();
    m_resultTaken = true;
    const AudioDecodeResult result = m_result;
    m_ownedTake = result.wavePath;
    if (result.status == AudioDecodeStatus::Cancelled || m_story.epoch() != m_job.epoch) {
        // Cancelled, or the story was replaced meanwhile: nothing to put anywhere.
        QFile::remove(m_ownedTake);
        m_ownedTake.clear();
        end(false);
        return;
    }
    if (result.status == AudioDecodeStatus::TooLong && !m_job.keepBeginning) {
        const QString keep = QStringLiteral("Keep the First %1").arg(AudioFileDecoder::limitText(m_job.limitSeconds));
        if (m_prompter.askKeepBeginning(tooLongQuestion(result), keep) && m_story.epoch() == m_job.epoch) {
            Job again = m_job;
            again.keepBeginning = true;
            start(again);
            return;
        }
        end(false);
        return;
    }
    if (!result.ok()) {
        warn(m_job.segment, result.error);
        end(false);
        return;
    }
    put();
}

void NarrationImport::put()
{
    const AudioDecodeResult& result = m_result;
    const auto drop = [this] {
        QFile::remove(m_ownedTake);
        m_ownedTake.clear();
        end(false);
    };
    if (m_story.epoch() != m_job.epoch) {
        drop();
        return;
    }
    if (m_job.segment) {
        const int after = m_job.slideId < 0 ? -1 : m_story.indexOfId(m_job.slideId);
        const int insertAt = after < 0 ? -1 : after + 1;
        const QString take = std::exchange(m_ownedTake, QString());
        // The command owns the take from here on, also when the story refuses it.
        if (!m_story.push(new ImportSegmentCommand(m_story, insertAt, take, result.seconds()))) {
            warn(true, m_story.count() >= Story::MaxSlides
                           ? QStringLiteral("A podcast holds at most %1 segments.").arg(Story::MaxSlides)
                           : QStringLiteral("The segment could not be added."));
            end(false);
            return;
        }
        emit segmentAdded(m_story.currentIndex());
        end(true);
        return;
    }
    const int index = m_story.indexOfId(m_job.slideId);
    const Slide* slide = m_story.slideAt(index);
    if (!slide) {
        // Deleted while its new take was decoded.
        drop();
        return;
    }
    if (slide->isRecording()) {
        warn(false, QStringLiteral("Slide %1 is being recorded: its narration stays as it is.").arg(index + 1));
        drop();
        return;
    }
    if (slide->isMp3Busy()) {
        // Its old take is being encoded; that ends within moments.
        QTimer::singleShot(BusyRetryMs, this, &NarrationImport::put);
        return;
    }
    if (m_beforeReplacing)
        m_beforeReplacing();
    const QString take = std::exchange(m_ownedTake, QString());
    if (!m_story.push(new ImportNarrationCommand(m_story, index, take, result.seconds()))) {
        warn(false, QStringLiteral("The narration of slide %1 could not be replaced.").arg(index + 1));
        end(false);
        return;
    }
    end(true);
}

void NarrationImport::end(bool imported)
{
    m_running = false;
    emit finished(imported);
}

void NarrationImport::warn(bool segment, const QString& text)
{
    m_prompter.inform(segment ? QStringLiteral("Import Segment") : QStringLiteral("Import Narration"), text,
                      Prompter::Icon::Warning);
}

QString NarrationImport::tooLongQuestion(const AudioDecodeResult& result) const
{
    const QString limit = AudioFileDecoder::limitText(m_job.limitSeconds);
    const QString holds = m_job.segment ? QStringLiteral("A podcast segment holds at most %1.").arg(limit)
                                        : QStringLiteral("A slide holds at most %1 of narration.").arg(limit);
    return QStringLiteral("%1\n%2\n\nKeep the first %3 of the file and leave out the rest?")
        .arg(result.error, holds, limit);
}
