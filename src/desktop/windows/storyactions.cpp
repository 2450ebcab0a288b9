#include "desktop/windows/storyactions.h"

#include "desktop/dialogs/dialogactions.h"
#include "desktop/dialogs/exportdialog.h"
#include "desktop/dialogs/loadingbox.h"
#include "desktop/dialogs/prompter.h"
#include "desktop/dialogs/publishchecksdialog.h"
#include "desktop/dialogs/publishdialog.h"
#include "desktop/dialogs/storylibrarydialog.h"
#include "export/exportjob.h"
#include "export/storyexport.h"
#include "publish/backgroundpreparation.h"
#include "publish/curlserviceclient.h"
#include "shell/programfolder.h"
#include "shell/programsettings.h"
#include "shell/storycontent.h"
#include "shell/storyrecovery.h"
#include "story/messenger.h"
#include "story/slide.h"
#include "story/story.h"
#include "story/storysave.h"
#include "story/systemclock.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QWidget>

namespace {

//! Where an export starts: the folder of the last one, else the desktop's videos (music for
//! sound) folder, else the home folder; the file is named after the story's title.
QString suggestedExportPath(const QString& lastFolder, const QString& title, bool podcast)
{
    QString folder = lastFolder;
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        folder =
            QStandardPaths::writableLocation(podcast ? QStandardPaths::MusicLocation : QStandardPaths::MoviesLocation);
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            folder = QDir::homePath();
    }
    QString name = title.trimmed();
    // Characters a file name cannot hold, or that the desktop's file managers handle badly.
    static const QString unsafe = QStringLiteral("/\\:*?\"<>|");
    for (QChar& c : name) {
        if (c < QLatin1Char(' ') || unsafe.contains(c))
            c = QLatin1Char('_');
    }
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        name = podcast ? QStringLiteral("Podcast") : QStringLiteral("Pictorelle");
    return QDir(folder).filePath(name + (podcast ? QStringLiteral(".m4a") : QStringLiteral(".mp4")));
}

} // namespace

StoryActions::StoryActions(const Services& services, QWidget& window)
    : QObject(&window), m_services(services), m_window(window)
{}

bool StoryActions::saveChangesPrompt()
{
    Story& story = m_services.story;
    // A publication under way is not interrupted: the window stays and the story too.
    if (m_publishing)
        return false;
    // A note typed on the cue card belongs to the story before the question is asked.
    m_services.closeCueCard();
    if (!story.isModified())
        return true;
    switch (m_services.prompter.askSaveChanges()) {
    case Prompter::SaveAnswer::Yes:
        save(true);
        // A save that failed has said why; what it could not keep is not thrown away after it.
        return !story.isModified() || !holdsWorkToSave(story);
    case Prompter::SaveAnswer::No:
        return true;
    case Prompter::SaveAnswer::Cancel:
        break;
    }
    return false;
}

void StoryActions::save(bool quiet, SavedPictures pictures)
{
    Story& story = m_services.story;
    // The publication ends with its own save of the story; two saves of one folder never overlap.
    if (m_publishing)
        return;
    // A story without slides is saved too when it holds texts the author typed.
    if (!holdsWorkToSave(story))
        return;
    // A narration still being written is finished first: the saved copy is a whole file.
    m_services.stopAudio();
    tellSaved(saveStory(story, SystemClock(), pictures), quiet);
}

void StoryActions::tellSaved(const SaveResult& result, bool quiet)
{
    Story& story = m_services.story;
    if (!result.ok) {
        // The story stays marked as changed: nothing of it is lost by a later close.
        m_services.prompter.inform(QStringLiteral("Pictorelle"), result.error, Prompter::Icon::Error);
        return;
    }
    story.setModified(false);
    rememberStoryFile();
    if (!quiet) {
        m_services.prompter.inform(saveConfirmationCaption(), saveConfirmationText(story.title(), result.time),
                                   Prompter::Icon::Information);
    }
}

void StoryActions::rememberStoryFile()
{
    const QString storyFile = m_services.story.storyFilePath();
    if (!m_services.settings || storyFile.isEmpty())
        return;
    m_services.settings->addRecentStory(QFileInfo(storyFile).absoluteFilePath());
    if (m_services.recentStoriesChanged)
        m_services.recentStoriesChanged();
}

void StoryActions::saveAs()
{
    Story& story = m_services.story;
    if (m_publishing)
        return;
    if (!holdsWorkToSave(story)) {
        m_services.prompter.inform(QStringLiteral("Save As"),
                                   QStringLiteral("There is nothing to save yet: add a slide or type a title first."),
                                   Prompter::Icon::Information);
        return;
    }
    m_services.stopAudio();
    // Without a story file the save makes a new stamped folder, as a first save does; the
    // earlier folder is not touched.
    const QString earlier = story.storyFilePath();
    story.setStoryFilePath(QString());
    const SaveResult result = saveStory(story, SystemClock());
    // A save that failed leaves the story with the folder it had.
    if (!result.ok)
        story.setStoryFilePath(earlier);
    tellSaved(result, false);
}

void StoryActions::newStory(bool podcast)
{
    Story& story = m_services.story;
    if (!saveChangesPrompt())
        return;
    // A recording or playback belongs to a slide that is about to go.
    m_services.stopAudio();
    {
        const Story::Replacing replacing(story);
        story.reset();
        if (podcast) {
            auto segment = std::make_unique<Slide>(story);
            segment->setKind(SlideKind::Segment);
            story.add(std::move(segment));
            story.setType(int(StoryType::Podcast));
            // A new podcast offers its transcript for publishing.
            story.setTranscriptPublish(true);
            // The first segment of a new podcast is not a change to save.
            story.setModified(false);
        }
    }
    m_services.storyReplaced();
    m_services.closeCueCard();
}

void StoryActions::load()
{
    Story& story = m_services.story;
    const bool goOn = saveChangesPrompt();
    m_services.closeCueCard();
    if (!goOn)
        return;
    m_services.stopAudio();
    const std::optional<LoadReport> report = StoryLibraryDialog::run(
        story, programfolder::saveFolder(m_services.programFolder), m_librarySort, m_services.skin, &m_window);
    m_services.storyReplaced();
    if (report && report->opened)
        rememberStoryFile();
    if (report && !report->warnings.isEmpty()) {
        m_services.prompter.inform(QStringLiteral("Pictorelle"), report->warnings.join(QLatin1Char('\n')),
                                   Prompter::Icon::Warning);
    }
}

void StoryActions::openRecent(const QString& storyFile)
{
    Story& story = m_services.story;
    const QString caption = QStringLiteral("Open Recent");
    if (!QFileInfo(storyFile).isFile()) {
        m_services.prompter.inform(caption,
                                   QStringLiteral("The Pictorelle %1 is no longer there; it was moved or deleted. "
                                                  "It is taken off the list.")
                                       .arg(QDir::toNativeSeparators(storyFile)),
                                   Prompter::Icon::Warning);
        if (m_services.settings) {
            m_services.settings->removeRecentStory(storyFile);
            if (m_services.recentStoriesChanged)
                m_services.recentStoriesChanged();
        }
        return;
    }
    const bool goOn = saveChangesPrompt();
    m_services.closeCueCard();
    if (!goOn)
        return;
    m_services.stopAudio();
    // As in the library: a story still importing pictures or encoding is not replaced.
    if (story.runningImports() > 0 || story.mp3Position() != -1) {
        m_services.prompter.inform(caption,
                                   QStringLiteral("The pictures are still being prepared. Open the Pictorelle once "
                                                  "they are ready."),
                                   Prompter::Icon::Information);
        return;
    }
    LoadReport report;
    bool loaded = false;
    {
        LoadingBox box(story, storyFile, &m_window);
        box.exec();
        loaded = box.hasLoaded();
        report = box.report();
    }
    m_services.storyReplaced();
    if (!loaded)
        return;
    if (report.opened)
        rememberStoryFile();
    if (!report.warnings.isEmpty()) {
        m_services.prompter.inform(QStringLiteral("Pictorelle"), report.warnings.join(QLatin1Char('\n')),
                                   Prompter::Icon::Warning);
    }
}

void StoryActions::publish()
{
    Story& story = m_services.story;
    if (m_publishing)
        return;
    // Cleared only once the dialogs, and the run that waits for its workers, are gone.
    m_publishing = true;
    const auto published = qScopeGuard([this] { m_publishing = false; });
    m_services.closeCueCard();
    // The narrations are encoded and sent as whole files.
    m_services.stopAudio();
    if (PublishChecksDialog::run(story, m_services.account, PublishChecksDialog::PublishMode, m_services.skin,
                                 m_services.actions, &m_window) != 1)
        return;
    CurlServiceClient client;
    PublicationRun::QuietSave quietSave;
    quietSave.take = [this, &story]() -> std::optional<StorySave> {
        // Marked first: a save that fails leaves the new id marked as not yet saved.
        story.setModified(true);
        if (!holdsWorkToSave(story))
            return std::nullopt;
        m_services.stopAudio();
        // The preparation has just remade every picture: remaking them again would only hold
        // up the window. The dialog is modal, so the working files stay as they are while the
        // run's worker copies them.
        return takeStoryForSave(story, SystemClock().now());
    };
    quietSave.finish = [this, &story](const SaveResult& result) {
        applyStorySave(story, result);
        tellSaved(result, true);
        return !story.isModified();
    };
    // The publication encodes what is still missing itself, on every core.
    if (m_services.preparation)
        m_services.preparation->pause();
    const auto resumed = qScopeGuard([this] {
        if (m_services.preparation)
            m_services.preparation->resume();
    });
    PublishDialog dialog(story, m_services.account, client, m_services.serviceBase, m_services.skin, m_services.actions,
                         quietSave, &m_window, dynamic_cast<Messenger*>(&m_services.prompter),
                         !m_services.settings || m_services.settings->evenLoudness());
    dialog.exec();
}

void StoryActions::exportStory()
{
    Story& story = m_services.story;
    if (m_publishing)
        return;
    m_services.closeCueCard();
    // A narration still being recorded is finished first: the export reads whole files.
    m_services.stopAudio();
    const bool podcast = story.isPodcast();
    const QString caption = podcast ? QStringLiteral("Export Audio") : QStringLiteral("Export Video");
    if (story.runningImports() > 0 || story.picturesBeingProcessed() > 0) {
        m_services.prompter.inform(caption,
                                   QStringLiteral("The pictures are still being prepared. Export once they are ready."),
                                   Prompter::Icon::Information);
        return;
    }
    ExportOptions options;
    options.evenLoudness = !m_services.settings || m_services.settings->evenLoudness();
    if (takeExportJob(story, options).items.empty()) {
        m_services.prompter.inform(caption,
                                   podcast ? QStringLiteral("Record a segment before exporting the podcast.")
                                           : QStringLiteral("Add a slide before exporting the Pictorelle."),
                                   Prompter::Icon::Information);
        return;
    }
    QString path = m_services.prompter.chooseSaveFile(
        caption, suggestedExportPath(m_exportFolder, story.title(), podcast),
        podcast ? QStringLiteral("M4A sound (*.m4a);;MP3 sound (*.mp3)") : QStringLiteral("MP4 video (*.mp4)"));
    if (path.isEmpty())
        return;
    // A name typed without its extension gets the one the file type needs.
    if (!exportFormatFor(path))
        path += podcast ? QStringLiteral(".m4a") : QStringLiteral(".mp4");
    m_exportFolder = QFileInfo(path).absolutePath();
    options.outputPath = path;
    // The job is the story as it stands now; the modal dialog keeps it so until the export ends.
    ExportJob job = takeExportJob(story, options);
    if (const ExportResult checked = checkExportJob(job); !checked.ok()) {
        m_services.prompter.inform(caption, checked.message, Prompter::Icon::Error);
        return;
    }
    ExportResult result;
    {
        // The narrations' MP3s wait: the export's encoders take every core meanwhile.
        if (m_services.preparation)
            m_services.preparation->pause();
        const auto resumed = qScopeGuard([this] {
            if (m_services.preparation)
                m_services.preparation->resume();
        });
        ExportDialog dialog(std::move(job), &m_window);
        dialog.exec();
        result = dialog.result();
    }
    if (result.ok()) {
        m_services.prompter.inform(caption,
                                   QStringLiteral("The %1 was saved as\n%2\n(%3 seconds, %4).")
                                       .arg(podcast ? QStringLiteral("sound") : QStringLiteral("video"),
                                            QDir::toNativeSeparators(result.outputPath),
                                            QString::number(result.seconds, 'f', 1),
                                            QLocale().formattedDataSize(result.bytes)),
                                   Prompter::Icon::Information);
    } else if (result.error != ExportError::Cancelled) {
        m_services.prompter.inform(caption, QStringLiteral("Nothing was exported. %1").arg(result.message),
                                   Prompter::Icon::Error);
    }
}

bool StoryActions::restore(const QString& recoveryFile)
{
    Story& story = m_services.story;
    const storyrecovery::Restored restored = storyrecovery::restore(recoveryFile, story);
    m_services.storyReplaced();
    if (!restored.ok) {
        m_services.prompter.inform(QStringLiteral("Pictorelle"), restored.warnings.join(QLatin1Char('\n')),
                                   Prompter::Icon::Warning);
        return false;
    }
    // The restored story's own copy names its new media; then the old copy can go.
    m_services.recovery.update();
    storyrecovery::discard(m_services.programFolder, recoveryFile);
    if (!restored.warnings.isEmpty())
        m_services.prompter.inform(QStringLiteral("Pictorelle"),
                                   QStringLiteral("The Pictorelle was restored, with these problems:\n\n") +
                                       restored.warnings.join(QLatin1Char('\n')),
                                   Prompter::Icon::Warning);
    return true;
}
