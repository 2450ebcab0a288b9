#include "desktop/windows/mainwindow.h"

#include "desktop/dialogs/aboutdialog.h"
#include "desktop/dialogs/accountdialog.h"
#include "desktop/dialogs/cuecardwindow.h"
#include "desktop/dialogs/previewdialog.h"
#include "desktop/dialogs/programsettingsdialog.h"
#include "desktop/dialogs/publishchecksdialog.h"
#include "desktop/dialogs/slideinfodialog.h"
#include "desktop/dialogs/storyinfodialog.h"
#include "desktop/dialogs/storylibrarydialog.h"
#include "desktop/dialogs/tutorialdialog.h"
#include "desktop/widgets/skinnedbutton.h"
#include "desktop/widgets/slideview.h"
#include "desktop/widgets/thumbnailstrip.h"
#include "shell/browseropener.h"
#include "shell/picturefiles.h"
#include "shell/programfolder.h"
#include "shell/storycontent.h"
#include "shell/weblinks.h"
#include "story/slide.h"
#include "story/story.h"
#include "story/storyfile.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextDocument>
#include <QTimer>

namespace {

constexpr int ShowCueSlide = 551;

} // namespace

void MainWindow::createMenus()
{
    struct Item
    {
        const char* text;
        int id;
    };
    struct Group
    {
        const char* title;
        std::initializer_list<Item> items;
    };
    const Group groups[] = {
        {"&File",
         {{"&New Pictorelle", NewPictorelle},
          {"New &Podcast", NewPodcast},
          {"&Load Pictorelle", LoadStory},
          {"&Save Pictorelle", SaveStory},
          {nullptr, 0},
          {"E&xit", ExitCommand}}},
        {"&Pictorelle",
         {{"&Add Slide", AddSlide},
          {"Pre&view", PreviewStory},
          {"&Check Pictorelle for errors", CheckStory},
          {"&Publish to PictorelleWeb", PublishStory}}},
        {"&Settings", {{"&Program Settings", ProgramSettingsCommand}}},
        {"&Help",
         {{"&Help", HelpCommand},
          {"&Tutorial", TutorialCommand},
          {nullptr, 0},
          {"&Visit PictorelleWeb", VisitWebsite},
          {"Check for Program &Updates", CheckForUpdates},
          {nullptr, 0},
          {"&About", AboutCommand}}},
    };
    menuBar()->setObjectName(QStringLiteral("PICTORELLE"));
    for (const Group& group : groups) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(group.title));
        for (const Item& item : group.items) {
            if (!item.text) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(QString::fromUtf8(item.text));
            action->setData(item.id);
            const int id = item.id;
            connect(action, &QAction::triggered, this, [this, id] { command(id); });
        }
    }
    createEditMenu();
}

void MainWindow::postCommand(int id, int parameter)
{
    QMetaObject::invokeMethod(
        this, [this, id, parameter] { command(id, parameter); }, Qt::QueuedConnection);
}

void MainWindow::command(int id, int parameter)
{
    Slide* current = m_story->slideAt(m_story->currentIndex());
    switch (id) {
    case UndoCommand:
    case RedoCommand:
        // A step is never undone under a running take: the recorder writes into the slide.
        if (id == UndoCommand ? m_story->undo() : m_story->redo())
            refreshFromStory();
        updateUndoActions();
        break;
    case NewPictorelle:
        newStory(false);
        break;
    case NewPodcast:
        newStory(true);
        break;
    case LoadStory:
        loadStory();
        break;
    case SaveStory:
        save(parameter != 0);
        break;
    case ExitCommand:
        close();
        break;
    case PublishStory:
        publish();
        break;
    case CheckStory:
        closeCueCard();
        PublishChecksDialog::run(*m_story, m_account, PublishChecksDialog::CheckMode, *m_skin, m_actions, this);
        break;
    case PreviewStory:
        closeCueCard();
        if (m_story->count() > 0) {
            // The preview plays every narration through the same speaker, whole files only.
            stopAudio();
            PreviewDialog dialog(*m_story, m_services.player, m_services.clock, *m_skin, this);
            dialog.exec();
        }
        break;
    case AddSlide:
        addSlide();
        break;
    case ProgramSettingsCommand: {
        ProgramSettingsDialog dialog(m_settings, *m_skin, m_actions, this);
        // What OK stores survives a crash: the file is written now, not only at the exit.
        if (dialog.exec() == QDialog::Accepted)
            saveSettingsNow();
        break;
    }
    case AccountSettings:
        openAccountDialog(this, 0);
        break;
    case TutorialCommand: {
        TutorialDialog dialog(*m_skin, m_actions, this);
        dialog.exec();
        break;
    }
    case AboutCommand: {
        AboutDialog dialog(*m_skin, m_actions, this);
        dialog.exec();
        break;
    }
    case HelpCommand:
        m_actions.openHelpPage(weblinks::IntroductionPage);
        break;
    case VisitWebsite:
        weblinks::openWebAddress(m_services.browser, weblinks::serviceHomeAddress(m_services.serviceBase));
        break;
    case CheckForUpdates:
        weblinks::openWebAddress(m_services.browser, weblinks::updateCheckAddress(m_services.serviceBase));
        break;
    case EditStory:
        editStory();
        break;
    case EditSlide:
        if (m_story->count() == 0) {
            m_services.prompter.inform(QStringLiteral("Pictorelle"),
                                       QStringLiteral("You need to add a slide image before editing the slide info."),
                                       Prompter::Icon::Information);
        } else if (current) {
            editSlide(m_story->currentIndex());
        }
        break;
    case PreviousSlide:
        selectNeighbour(-1);
        break;
    case NextSlide:
        selectNeighbour(1);
        break;
    case PlayCommand:
        play();
        break;
    case RecordCommand:
        record();
        break;
    case StopCommand:
        stop();
        break;
    case ClearNarration:
        clearNarration();
        break;
    case CueCards:
        if (m_story->count() == 0) {
            m_services.prompter.inform(QStringLiteral("Pictorelle"),
                                       QStringLiteral("You need to add a slide image before using Cue Cards."),
                                       Prompter::Icon::Information);
        } else if (current && m_cueCard) {
            m_cueCard->move(frameGeometry().topLeft());
            emit cueCardCommand(ShowCueSlide, m_story->currentIndex());
        } else if (current) {
            openCueCard();
        }
        break;
    case RecordingStarted:
        recordingStarted();
        break;
    case PlaybackStarted:
        playbackStarted();
        break;
    case RecordingStopped:
        recordingStopped();
        break;
    case PlaybackStopped:
        playbackStopped();
        break;
    default:
        // The dialogs' commands (load, settings, account, tutorial, about) and the logo.
        break;
    }
}

bool MainWindow::saveChangesPrompt()
{
    // A note typed on the cue card belongs to the story before the question is asked.
    closeCueCard();
    if (!m_story->isModified())
        return true;
    switch (m_services.prompter.askSaveChanges()) {
    case Prompter::SaveAnswer::Yes:
        command(SaveStory, 1);
        // A save that failed has said why; what it could not keep is not thrown away after it.
        return !m_story->isModified() || !holdsWorkToSave(*m_story);
    case Prompter::SaveAnswer::No:
        return true;
    case Prompter::SaveAnswer::Cancel:
        break;
    }
    return false;
}

void MainWindow::save(bool quiet, SavedPictures pictures)
{
    // A story without slides is saved too when it holds texts the author typed.
    copyTranscriptIntoStory();
    if (!holdsWorkToSave(*m_story))
        return;
    // A narration still being written is finished first: the saved copy is a whole file.
    stopAudio();
    const SaveResult result = saveStory(*m_story, SystemClock(), pictures);
    if (!result.ok) {
        // The story stays marked as changed: nothing of it is lost by a later close.
        m_services.prompter.inform(QStringLiteral("Pictorelle"), result.error, Prompter::Icon::Error);
        return;
    }
    m_story->setModified(false);
    // The next edit of the transcript marks the story changed again.
    m_transcriptBox->document()->setModified(false);
    if (!quiet) {
        m_services.prompter.inform(saveConfirmationCaption(), saveConfirmationText(m_story->title(), result.time),
                                   Prompter::Icon::Information);
    }
}

void MainWindow::newStory(bool podcast)
{
    if (!saveChangesPrompt())
        return;
    // A recording or playback belongs to a slide that is about to go.
    stopAudio();
    m_story->reset();
    if (podcast) {
        auto segment = std::make_unique<Slide>(*m_story);
        segment->setKind(SlideKind::Segment);
        m_story->add(std::move(segment));
        m_story->setType(int(StoryType::Podcast));
        // The first segment of a new podcast is not a change to save.
        m_story->setModified(false);
    }
    afterStoryReplaced();
    // The box is empty now: refreshTranscriptView filled it from the new story.
    if (podcast)
        m_transcriptCheck->setChecked(true);
    closeCueCard();
}

void MainWindow::afterStoryReplaced()
{
    m_recorder->setBarRatio(0);
    refreshStoryPanel();
    refreshSlidePanel(true);
    refreshTranscriptView();
    refreshTimeDisplay();
    relayout();
    m_strip->resetScroll();
    m_strip->update();
}

void MainWindow::addSlide()
{
    if (m_story->isPodcast()) {
        auto segment = std::make_unique<Slide>(*m_story);
        segment->setKind(SlideKind::Segment);
        if (!m_story->add(std::move(segment)))
            return;
        m_story->setType(int(StoryType::Podcast));
        m_story->select(m_story->count() - 1);
        m_strip->scrollIntoView(m_story->count() - 1);
        m_strip->update();
        invalidatePictureView();
        refreshStoryPanel();
        refreshSlidePanel(true);
        refreshTimeDisplay();
        relayout();
        m_story->setModified(true);
        return;
    }
    const QString file = m_services.prompter.choosePicture(m_settings.addPhotoFolder());
    if (file.isEmpty())
        return;
    m_settings.setAddPhotoFolder(folderOfFile(file));
    if (!isSlidePictureName(file))
        return;
    auto slide = std::make_unique<Slide>(*m_story);
    slide->setSourcePicturePath(file);
    if (!m_story->add(std::move(slide)))
        return;
    m_strip->resetScroll();
    m_strip->update();
    invalidatePictureView();
    m_strip->setFocus();
    m_story->setModified(true);
    refreshStoryPanel();
    refreshSlidePanel(true);
    refreshTimeDisplay();
}

int MainWindow::dropFiles(const QList<QUrl>& urls, QPoint clientPos)
{
    if (m_story->isPodcast())
        return 0;
    // Every file of one drop goes to the same index, as the strip computes it for the drop point.
    const int index = m_strip->dropIndex(clientPos.x());
    int added = 0;
    for (const QString& file : droppedPictureFiles(urls)) {
        auto slide = std::make_unique<Slide>(*m_story);
        slide->setSourcePicturePath(file);
        if (m_story->add(std::move(slide), index))
            ++added;
    }
    if (added > 0) {
        m_strip->resetScroll();
        m_strip->update();
        invalidatePictureView();
        m_strip->setFocus();
        m_story->setModified(true);
        refreshStoryPanel();
        refreshSlidePanel(true);
        refreshTimeDisplay();
    }
    return added;
}

void MainWindow::changePhoto(int index)
{
    if (!m_story->slideAt(index))
        return;
    // Change Photo starts in the program folder and does not move the Add Slide folder.
    const QString file = m_services.prompter.choosePicture(m_services.programFolder);
    if (file.isEmpty() || !isSlidePictureName(file) || !m_story->slideAt(index))
        return;
    m_story->changePicture(index, file);
    m_strip->resetScroll();
    m_strip->update();
    invalidatePictureView();
    m_strip->setFocus();
    m_story->setModified(true);
}

void MainWindow::selectNeighbour(int step)
{
    const int count = m_story->count();
    if (count == 0)
        return;
    const int target = m_story->currentIndex() + step;
    if (target < 0 || target >= count)
        return;
    m_story->select(target);
    m_story->setPositionsSettled(false);
    refreshSlidePanel(true);
    refreshTimeDisplay();
    m_strip->scrollIntoView(target);
    m_strip->update();
    if (m_cueCard)
        emit cueCardCommand(ShowCueSlide, target);
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Left)
        postCommand(PreviousSlide);
    else if (event->key() == Qt::Key_Right)
        postCommand(NextSlide);
    QMainWindow::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Imports or media preparation still write into the story: the user closes again later.
    if (m_story->isBusy() || !saveChangesPrompt()) {
        event->ignore();
        return;
    }
    closeCueCard();
    m_recorder->stopRecording();
    m_recorder->stopPlayback();
    saveSettings();
    event->accept();
}

bool MainWindow::loadSettings()
{
    const bool opened =
        SettingsFile::load(programfolder::settingsFile(m_services.programFolder), m_settings, m_account);
    QRect frame(m_settings.windowX(), m_settings.windowY(), m_settings.windowWidth(), m_settings.windowHeight());
    // A window stored on a screen that is gone comes back onto the primary one.
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(QRect(frame.topLeft(), QSize(100, 40))))
            onScreen = true;
    }
    if (!onScreen && QGuiApplication::primaryScreen())
        frame.moveTopLeft(QGuiApplication::primaryScreen()->availableGeometry().topLeft());
    move(frame.topLeft());
    resize(frame.size().expandedTo(QSize(MinimumWidth, MinimumHeight)));
    relayout();
    update();
    return opened;
}

bool MainWindow::saveSettings()
{
    const QRect frame(pos(), size());
    m_settings.setWindowX(frame.x());
    m_settings.setWindowY(frame.y());
    m_settings.setWindowWidth(frame.width());
    m_settings.setWindowHeight(frame.height());
    return SettingsFile::save(programfolder::settingsFile(m_services.programFolder), m_settings, m_account);
}
