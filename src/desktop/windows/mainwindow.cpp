#include "desktop/windows/mainwindow.h"

#include "audio/audiobackend.h"
#include "audio/microphonevolume.h"
#include "audio/narrationrecorder.h"
#include "desktop/dialogs/aboutdialog.h"
#include "desktop/dialogs/accountdialog.h"
#include "desktop/dialogs/cuecardwindow.h"
#include "desktop/dialogs/microphonedialog.h"
#include "desktop/dialogs/previewdialog.h"
#include "desktop/dialogs/programsettingsdialog.h"
#include "desktop/dialogs/publishchecksdialog.h"
#include "desktop/dialogs/publishdialog.h"
#include "desktop/dialogs/storylibrarydialog.h"
#include "desktop/dialogs/tutorialdialog.h"
#include "desktop/widgets/skinnedbutton.h"
#include "desktop/widgets/skinresources.h"
#include "desktop/widgets/slideview.h"
#include "desktop/widgets/thumbnailstrip.h"
#include "desktop/windows/maincanvas.h"
#include "desktop/windows/mainmenus.h"
#include "desktop/windows/narrationcontrols.h"
#include "desktop/windows/narrationimport.h"
#include "desktop/windows/programdialogs.h"
#include "desktop/windows/screenfit.h"
#include "desktop/windows/slideactions.h"
#include "desktop/windows/slidepanel.h"
#include "desktop/windows/storyactions.h"
#include "desktop/windows/storypanel.h"
#include "desktop/windows/toolbuttons.h"
#include "desktop/windows/transcriptpanel.h"
#include "publish/backgroundpreparation.h"
#include "publish/curlserviceclient.h"
#include "shell/browseropener.h"
#include "shell/programdata.h"
#include "shell/programfolder.h"
#include "shell/storycontent.h"
#include "shell/storyrecovery.h"
#include "shell/weblinks.h"
#include "story/addslidescommand.h"
#include "story/messenger.h"
#include "story/slide.h"
#include "story/story.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QUndoStack>

#include <algorithm>

namespace {

constexpr int ShowCueSlide = 551;
constexpr int CloseCueWindow = 1;

//! Hands addresses on to the desktop's opener and tells failed() of each one it could not start
//! a handler for.
class TellingBrowserOpener final : public BrowserOpener
{
public:
    TellingBrowserOpener(BrowserOpener& inner, std::function<void(const QUrl&)> failed)
        : m_inner(inner), m_failed(std::move(failed))
    {}

    bool openAddress(const QUrl& address) override
    {
        if (m_inner.openAddress(address))
            return true;
        m_failed(address);
        return false;
    }

private:
    BrowserOpener& m_inner;
    std::function<void(const QUrl&)> m_failed;
};

} // namespace

MainWindow::MainWindow(const MainWindowServices& services) : m_services(services), m_settings(services.settings)
{
    setObjectName(QStringLiteral("Pictorelle Dazuzarid"));
    setWindowTitle(QStringLiteral("Pictorelle Dazuzarid"));
    setMinimumSize(MinimumWidth, MinimumHeight);

    // The model first: the story resets itself, which creates and empties the working folder.
    m_skin = std::make_unique<SkinResources>();
    setWindowIcon(m_skin->programIcon());
    setPlaceholderThumbnail(SkinResources::placeholderThumbnailImage());
    m_story = std::make_unique<Story>(m_services.programFolder, m_services.importer, nullptr, m_services.workingFolder);
    m_preparation = std::make_unique<BackgroundPreparation>(*m_story);
    m_preparation->setEvenLoudness(m_settings.evenLoudness());
    // The microphone opens now, so that the first take starts with the author's first word.
    m_services.audio.prepareInput();

    m_categories.load(programfolder::categoryFile(m_services.programFolder));
    // A help page that is not there is named in a message instead of being handed to a browser
    // that fails on it without a word.
    m_browser = std::make_unique<TellingBrowserOpener>(m_services.browser, [this](const QUrl& address) {
        m_services.prompter.informAddress(
            QStringLiteral("Pictorelle"),
            QStringLiteral("No web browser could be started. To open the page, copy its address into your browser:"),
            address);
    });
    m_actions =
        browserDialogActions(*m_browser, m_services.programFolder, m_services.serviceBase, [this](const QString& text) {
            m_services.prompter.inform(QStringLiteral("Pictorelle"), text, Prompter::Icon::Warning);
        });
    m_actions.postCommand = [this](int id) { postCommand(id); };
    m_actions.openAccount = [this](QWidget* owner, int parameter) { m_dialogs->account(owner, parameter); };
    m_actions.openMicrophone = [this](QWidget* owner, int) {
        // The test recording and its playback need the microphone and the speaker: a narration
        // being recorded is finished (and kept) first, a playback stopped.
        stopAudio();
        m_dialogs->microphone(owner);
        applyInputDevice();
    };
    m_dialogs =
        new ProgramDialogs({m_services.programFolder, m_settings, m_account, m_services.audio, m_services.player,
                            m_services.clock, m_services.prompter, *m_skin, m_actions, m_services.microphoneVolume},
                           *this);

    m_menus = new MainMenus(*menuBar(), *m_story, UndoCommand, RedoCommand);
    connect(m_menus, &MainMenus::commandRequested, this, [this](int id) { command(id); });
    createControls();
    // Through the same steps as the view's own rotate buttons.
    m_menus->addRotateActions(SlideView::RotateLeftCommand, SlideView::RotateRightCommand,
                              [this] { return m_slideView->canRotate(); });
    setUpKeyboard();
    keepRecoveryCopy();
    m_storyActions = new StoryActions(
        {m_services.programFolder, m_services.serviceBase, *m_story, m_account, m_services.prompter, *m_skin, m_actions,
         *m_recovery, [this] { stopAudio(); }, [this] { closeCueCard(); }, [this] { afterStoryReplaced(); },
         m_preparation.get(), &m_settings, [this] { m_menus->setRecentStories(m_settings.recentStories()); }},
        *this);
    connect(m_menus, &MainMenus::recentStoryRequested, m_storyActions, &StoryActions::openRecent);
    m_menus->setRecentStories(m_settings.recentStories());
    connectViews();
    listenToStory();
    resize(m_settings.windowWidth(), m_settings.windowHeight());
    // 800 × 780 where the screen has room; a smaller screen shows the whole window, scrolled
    // only where even the compact layout does not fit.
    m_screenFit = new ScreenFitter(*this, QSize(MinimumWidth, MinimumHeight));
    relayout();
}

MainWindow::~MainWindow()
{
    // Closing in order: nothing is left to recover. A take the narration controls finish
    // below is kept in the working folder as before.
    m_recovery->discard();
    m_recovery.reset();
    delete m_cueCard.data();
    // The recorder may point at a slide: it goes before the story, the views with the canvas.
    m_narration.reset();
    m_import.reset();
    delete m_canvas;
    m_canvas = nullptr;
    // The story's last notices (its undo stack clearing) are no longer the window's business.
    delete m_menus;
    m_story->undoStack()->disconnect(this);
    m_story->disconnect(this);
    m_story.reset();
}

void MainWindow::createControls()
{
    auto* canvas = new MainCanvas(this);
    canvas->paint = [this](QPainter& painter) { m_narration->paintProgress(painter, m_canvas->size()); };
    canvas->wheel = [this](int delta) { wheelOnCanvas(delta); };
    canvas->resized = [this] { relayout(); };
    canvas->takesDrops = [this] { return !m_story->isPodcast(); };
    canvas->dropped = [this](const QList<QUrl>& urls, QPoint pos) { dropFiles(urls, pos); };
    m_canvas = canvas;
    canvas->setMinimumSize(MainLayoutMinimum);
    setCentralWidget(new ClientScroller(canvas, this));

    const SkinResources& skin = *m_skin;
    m_strip = new ThumbnailStrip(*m_story, *m_skin, canvas);
    m_strip->setObjectName(QStringLiteral("THUMB_CLASS"));
    m_slideView = new SlideView(*m_story, *m_skin, canvas);
    m_slideView->setObjectName(QStringLiteral("PREVIEW_CLASS"));
    m_transcript = new TranscriptPanel(*m_story, skin, canvas);

    static constexpr int toolIds[] = {PublishStory, PreviewStory, AddSlide,       ProgramSettingsCommand,
                                      LogoCommand,  EditStory,    EditSlide,      PreviousSlide,
                                      NextSlide,    CueCards,     ImportNarration};
    for (const int id : toolIds) {
        SkinnedButton* button = createToolButton(canvas, skin, id);
        connect(button, &SkinnedButton::commandTriggered, this, [this](int id) { command(id); });
        m_buttons.append(button);
    }
    m_storyPanel = new StoryPanel(*m_story, skin, canvas);
    m_slidePanel = new SlidePanel(*m_story, skin, canvas, button(EditSlide));
    m_narration = std::make_unique<NarrationControls>(*m_story,
                                                      NarrationControls::Services{m_services.audio, m_services.player,
                                                                                  m_services.clock, m_services.prompter,
                                                                                  m_services.levelInput},
                                                      skin, canvas);
    for (SkinnedButton* b : canvas->findChildren<SkinnedButton*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!m_buttons.contains(b))
            m_buttons.append(b);
    }
    m_slideActions =
        new SlideActions(*m_story, m_services.prompter, m_settings, m_services.programFolder, *m_strip, canvas);
    m_import = std::make_unique<NarrationImport>(*m_story, m_services.prompter, this);
    // The narration being replaced is not played on.
    m_import->setBeforeReplacing([this] {
        if (m_narration->recorder().isPlaying())
            m_narration->recorder().stopPlayback();
    });
}

void MainWindow::connectViews()
{
    // The strip posts its commands: they run after the strip's own event has finished.
    connect(m_strip, &ThumbnailStrip::commandRequested, this, [this](int id) { postCommand(id); });
    connect(m_strip, &ThumbnailStrip::cueCardCommand, this, [this](int command, int index) {
        if (m_cueCard)
            emit cueCardCommand(command, index);
    });
    connect(m_strip, &ThumbnailStrip::changePhotoRequested, m_slideActions, &SlideActions::changePhoto);
    connect(m_strip, &ThumbnailStrip::importNarrationRequested, m_import.get(), &NarrationImport::importNarration);
    connect(m_strip, &ThumbnailStrip::importSegmentRequested, m_import.get(), &NarrationImport::importSegment);
    connect(m_import.get(), &NarrationImport::segmentAdded, this,
            [this](int index) { m_strip->scrollIntoView(index); });
    connect(m_strip, &ThumbnailStrip::stopRecordingRequested, this, [this](int) { m_narration->stopRecording(); });
    connect(m_slideView, &SlideView::contextMenuRequested, this, [this](QPoint global) {
        const std::unique_ptr<QMenu> menu = m_strip->buildContextMenu(m_story->currentIndex(), false);
        menu->exec(global);
    });
    m_strip->setRemovalQuestion([this](const QString& question) {
        return m_services.prompter.askYesNo(QStringLiteral("Pictorelle"), question);
    });
}

void MainWindow::listenToStory()
{
    // The strip and a podcast's transcript box repaint once per burst of changes; the panels, the
    // picture view and the narration controls follow the story themselves.
    const auto later = [this] {
        if (m_repaintPending)
            return;
        m_repaintPending = true;
        QTimer::singleShot(0, this, [this] {
            m_repaintPending = false;
            m_strip->recomputeScrollRange();
            m_strip->update();
            if (m_story->isPodcast())
                m_transcript->box()->viewport()->update();
        });
    };
    for (auto signal : {&Story::slideAdded, &Story::slideRemoved, &Story::slideChanged, &Story::narrationChanged,
                        &Story::currentChanged, &Story::slideReady})
        connect(m_story.get(), signal, this, later);
    connect(m_story.get(), &Story::slideMoved, this, later);
    connect(m_story.get(), &Story::storyInfoChanged, this, later);
    connect(m_story.get(), &Story::storyReset, this, later);
}

NarrationRecorder& MainWindow::recorder()
{
    return m_narration->recorder();
}

StatusDisplay* MainWindow::timeDisplay() const
{
    return m_narration->timeDisplay();
}

LevelMeter* MainWindow::levelMeter() const
{
    return m_narration->levelMeter();
}

void MainWindow::levelMeterTick()
{
    m_narration->levelMeterTick();
}

QPlainTextEdit* MainWindow::transcriptBox() const
{
    return m_transcript->box();
}

QCheckBox* MainWindow::transcriptCheck() const
{
    return m_transcript->publishCheck();
}

bool MainWindow::recordingTimerActive() const
{
    return m_narration->recordingTimerActive();
}

bool MainWindow::playbackTimerActive() const
{
    return m_narration->playbackTimerActive();
}

SkinnedButton* MainWindow::button(int id) const
{
    for (SkinnedButton* b : m_buttons) {
        if (b->commandId() == id)
            return b;
    }
    return nullptr;
}

void MainWindow::relayout()
{
    if (!m_canvas || !m_narration)
        return;
    m_layout = computeMainLayout(m_canvas->width(), m_canvas->height(), m_story->type());
    const MainLayout& l = m_layout;
    static constexpr int toolIds[] = {PublishStory, PreviewStory, AddSlide, ProgramSettingsCommand};
    for (int k = 0; k < 4; ++k)
        button(toolIds[k])->setGeometry(l.toolButtons[k]);
    button(LogoCommand)->setGeometry(l.logo);
    button(EditStory)->setGeometry(l.editStory);
    button(PreviousSlide)->setGeometry(l.previousSlide);
    button(NextSlide)->setGeometry(l.nextSlide);
    button(CueCards)->setGeometry(l.cueCards);
    button(ImportNarration)->setGeometry(l.importNarration);
    m_strip->setGeometry(l.strip);
    m_storyPanel->place(l);
    m_slidePanel->place(l);
    m_narration->place(l);

    const bool podcast = m_story->isPodcast();
    QWidget* shrinking = podcast ? static_cast<QWidget*>(m_slideView) : m_transcript->box();
    QWidget* growing = podcast ? static_cast<QWidget*>(m_transcript->box()) : m_slideView;
    const bool moveFocus = shrinking->hasFocus();
    m_slideView->setGeometry(l.slideView);
    m_slideView->setVisible(!l.slideView.isEmpty());
    m_transcript->place(l);
    if (moveFocus)
        growing->setFocus();

    m_strip->recomputeScrollRange();
    orderTabStops();
    m_canvas->update();
}

void MainWindow::setUpKeyboard()
{
    m_strip->setFocusPolicy(Qt::StrongFocus);
    // The window opens with the keyboard in the strip, not on the first tool button.
    m_strip->setFocus(Qt::OtherFocusReason);
    m_strip->setAccessibleName(QStringLiteral("Slides"));
    m_slideView->setAccessibleName(QStringLiteral("Slide Picture"));
    m_transcript->box()->setAccessibleName(QStringLiteral("Audio Transcript"));
    // Tab leaves the transcript box for the next control instead of typing into it.
    m_transcript->box()->setTabChangesFocus(true);

    // Starts a take, or finishes the one under way, wherever the keyboard is in the window.
    auto* recordKey = new QAction(QStringLiteral("Record / Stop"), this);
    recordKey->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    recordKey->setShortcutContext(Qt::WindowShortcut);
    connect(recordKey, &QAction::triggered, this, [this] { m_narration->recordOrStop(); });
    addAction(recordKey);
    // Space does the same while the strip has the keyboard; in a text box it stays a space.
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), m_strip, nullptr, nullptr, Qt::WidgetShortcut);
    connect(space, &QShortcut::activated, this, [this] { m_narration->recordOrStop(); });
}

void MainWindow::orderTabStops()
{
    QList<QWidget*> stops;
    for (QWidget* child : m_canvas->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if ((child->focusPolicy() & Qt::TabFocus) && !child->isWindow())
            stops.append(child);
    }
    // The slide view spans several rows: it stands in the row of its rotate buttons.
    const auto place = [this](const QWidget* stop) {
        if (stop != m_slideView)
            return stop->geometry();
        const QRect view = m_slideView->geometry();
        const QRect buttons = m_slideView->rotateLeftButton()->geometry();
        return QRect(view.x(), view.y() + buttons.y(), view.width(), buttons.height());
    };
    // Rows from the top by the controls' middles: a control whose middle lies within the
    // height of a row's first control joins that row.
    std::stable_sort(stops.begin(), stops.end(), [&place](const QWidget* a, const QWidget* b) {
        return place(a).center().y() < place(b).center().y();
    });
    QList<QWidget*> ordered;
    for (qsizetype rowStart = 0; rowStart < stops.size();) {
        const QRect first = place(stops.at(rowStart));
        qsizetype rowEnd = rowStart + 1;
        while (rowEnd < stops.size() && place(stops.at(rowEnd)).center().y() <= first.bottom())
            ++rowEnd;
        QList<QWidget*> row = stops.mid(rowStart, rowEnd - rowStart);
        std::stable_sort(row.begin(), row.end(),
                         [&place](const QWidget* a, const QWidget* b) { return place(a).x() < place(b).x(); });
        ordered += row;
        rowStart = rowEnd;
    }
    // The slide view's rotate buttons come right after it.
    const qsizetype view = ordered.indexOf(m_slideView);
    if (view >= 0) {
        ordered.insert(view + 1, m_slideView->rotateRightButton());
        ordered.insert(view + 1, m_slideView->rotateLeftButton());
    }
    for (qsizetype i = 1; i < ordered.size(); ++i)
        QWidget::setTabOrder(ordered.at(i - 1), ordered.at(i));
}

void MainWindow::postCommand(int id, int parameter)
{
    QMetaObject::invokeMethod(
        this, [this, id, parameter] { command(id, parameter); }, Qt::QueuedConnection);
}

void MainWindow::command(int id, int parameter)
{
    const bool hasSlide = m_story->slideAt(m_story->currentIndex()) != nullptr;
    switch (id) {
    case UndoCommand:
    case RedoCommand:
        // A step is never undone under a running take: the recorder writes into the slide.
        id == UndoCommand ? m_story->undo() : m_story->redo();
        m_menus->updateUndoActions();
        break;
    case NewPictorelle:
    case NewPodcast:
        m_storyActions->newStory(id == NewPodcast);
        break;
    case LoadStory:
        m_storyActions->load();
        break;
    case SaveStory:
        m_storyActions->save(parameter != 0);
        break;
    case SaveStoryAs:
        m_storyActions->saveAs();
        break;
    case ExitCommand:
        close();
        break;
    case PublishStory:
        m_storyActions->publish();
        break;
    case ExportStory:
        m_storyActions->exportStory();
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
        m_slideActions->addSlide();
        break;
    case ProgramSettingsCommand:
        m_dialogs->programSettings();
        // Switched there: the narrations' MP3s are made again for the new setting.
        m_preparation->setEvenLoudness(m_settings.evenLoudness());
        break;
    case AccountSettings:
        m_dialogs->account(this, 0);
        break;
    case TutorialCommand:
        m_dialogs->tutorial();
        break;
    case AboutCommand:
        m_dialogs->about();
        break;
    case HelpCommand:
        m_actions.openHelpPage(weblinks::IntroductionPage);
        break;
    case VisitWebsite:
        weblinks::openWebAddress(*m_browser, weblinks::serviceHomeAddress(m_services.serviceBase));
        break;
    case CheckForUpdates:
        weblinks::openWebAddress(*m_browser, weblinks::updateCheckAddress(m_services.serviceBase));
        break;
    case EditStory:
        m_storyPanel->edit(m_categories, this);
        break;
    case EditSlide:
        if (m_story->count() == 0) {
            m_services.prompter.inform(QStringLiteral("Pictorelle"),
                                       QStringLiteral("You need to add a slide image before editing the slide info."),
                                       Prompter::Icon::Information);
        } else if (hasSlide) {
            m_slidePanel->edit(m_story->currentIndex(), this);
        }
        break;
    case PreviousSlide:
    case NextSlide:
        selectNeighbour(id == NextSlide ? 1 : -1);
        break;
    case PlayCommand:
        m_narration->play();
        break;
    case RecordCommand:
        m_narration->record();
        break;
    case StopCommand:
        m_narration->stop();
        break;
    case ImportNarration:
        if (m_story->isPodcast() && m_story->count() == 0) {
            // A podcast without segments takes the file as its first.
            m_import->importSegment(-1);
        } else if (m_story->count() == 0) {
            m_services.prompter.inform(QStringLiteral("Pictorelle"),
                                       QStringLiteral("You need to add a slide image before importing a narration."),
                                       Prompter::Icon::Information);
        } else if (hasSlide) {
            m_import->importNarration(m_story->currentIndex());
        }
        break;
    case SlideView::RotateLeftCommand:
        m_slideView->rotateLeft();
        break;
    case SlideView::RotateRightCommand:
        m_slideView->rotateRight();
        break;
    case ClearNarration:
        m_narration->clearNarration();
        break;
    case CueCards:
        if (m_story->count() == 0) {
            m_services.prompter.inform(QStringLiteral("Pictorelle"),
                                       QStringLiteral("You need to add a slide image before using Cue Cards."),
                                       Prompter::Icon::Information);
        } else if (hasSlide && m_cueCard) {
            // Brought back into view beside the window, where it covers neither menu nor strip.
            if (auto* card = qobject_cast<CueCardWindow*>(m_cueCard.data()))
                card->placeBesideOwner();
            emit cueCardCommand(ShowCueSlide, m_story->currentIndex());
        } else if (hasSlide) {
            openCueCard();
        }
        break;
    case RecordingStarted:
        m_narration->recordingStarted();
        break;
    case PlaybackStarted:
        m_narration->playbackStarted();
        break;
    case RecordingStopped:
        m_narration->recordingStopped();
        break;
    case PlaybackStopped:
        m_narration->playbackStopped();
        break;
    default:
        // The dialogs' commands (load, settings, account, tutorial, about) and the logo.
        break;
    }
}

void MainWindow::stopAudio()
{
    m_narration->stopAudio();
}

void MainWindow::applyInputDevice()
{
    // The input prepared at the start moves over to the chosen microphone.
    m_services.audio.setInputDevice(m_settings.inputDevice());
    if (m_services.levelInput)
        m_services.levelInput->setInputDevice(m_settings.inputDevice());
}

void MainWindow::afterStoryReplaced()
{
    relayout();
    m_strip->resetScroll();
}

int MainWindow::dropFiles(const QList<QUrl>& urls, QPoint clientPos)
{
    return m_slideActions->dropFiles(urls, clientPos);
}

void MainWindow::selectNeighbour(int step)
{
    const int target = m_story->currentIndex() + step;
    if (m_story->count() == 0 || target < 0 || target >= m_story->count())
        return;
    m_story->select(target);
    m_strip->resumeGlide();
    m_strip->scrollIntoView(target);
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
    if (m_story->isBusy() || !m_storyActions->saveChangesPrompt()) {
        event->ignore();
        return;
    }
    closeCueCard();
    m_narration->stopRecording();
    m_narration->recorder().stopPlayback();
    saveSettings();
    event->accept();
}

bool MainWindow::loadSettings()
{
    const bool opened = m_dialogs->loadSettings(minimumSize());
    applyInputDevice();
    m_preparation->setEvenLoudness(m_settings.evenLoudness());
    m_menus->setRecentStories(m_settings.recentStories());
    relayout();
    update();
    return opened;
}

bool MainWindow::saveSettings()
{
    return m_dialogs->saveSettings();
}

void MainWindow::runStartUpDialogs(bool firstStart)
{
    m_dialogs->startUp(firstStart);
}

void MainWindow::openCueCard()
{
    auto* window = new CueCardWindow(*m_story, m_settings, *m_skin, this);
    m_cueCard = window;
    connect(this, &MainWindow::cueCardCommand, window, &CueCardWindow::command);
    connect(window, &CueCardWindow::mainWindowCommand, this, [this](int id) { postCommand(id); });
    connect(window, &CueCardWindow::closed, this, [this] { m_cueCard = nullptr; });
    window->show();
}

void MainWindow::closeCueCard()
{
    if (m_cueCard)
        emit cueCardCommand(CloseCueWindow, -1);
}

void MainWindow::keepRecoveryCopy()
{
    m_recovery = std::make_unique<RecoveryKeeper>(*m_story);
    m_recovery->setBeforeWrite([this] {
        // Typed but not yet stored: the open cue card's note.
        if (auto* card = qobject_cast<CueCardWindow*>(m_cueCard.data()))
            card->storeTypedNote();
    });
}

bool MainWindow::restoreRecovery(const QString& recoveryFile)
{
    return m_storyActions->restore(recoveryFile);
}

void MainWindow::wheelOnCanvas(int delta)
{
    // The same way as a turn over the strip itself.
    m_strip->wheelScroll(delta);
}

void MainWindow::bringToFront()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}
