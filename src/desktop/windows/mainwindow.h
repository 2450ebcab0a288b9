#pragma once

#include "audio/narrationrecorder.h"
#include "desktop/dialogs/dialogactions.h"
#include "desktop/dialogs/prompter.h"
#include "desktop/windows/mainlayout.h"
#include "shell/categorytree.h"
#include "shell/programsettings.h"
#include "story/storyfile.h"
#include "story/storylibrary.h"

#include <QBasicTimer>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QUrl>

#include <array>
#include <functional>
#include <memory>

class AudioBackend;
class RecoveryKeeper;
class BrowserOpener;
class InputLevelMeter;
class LevelMeter;
class MicrophoneVolume;
class MillisecondClock;
class PictureImportService;
class QCheckBox;
class QLabel;
class PanelValue;
class QPlainTextEdit;
class SkinResources;
class SkinnedButton;
class SlideView;
class SoundPlayer;
class StatusDisplay;
class Story;
class ThumbnailStrip;

//! What the main window works with and does not own; everything must outlive the window.
struct MainWindowServices
{
    QString programFolder; //!< ends with "/"
    ProgramSettings& settings;
    AudioBackend& audio;
    SoundPlayer& player;
    const MillisecondClock& clock;
    BrowserOpener& browser;
    Prompter& prompter;
    PictureImportService* importer = nullptr; //!< null: pictures are never imported
    QString serviceBase;                      //!< the web service's address, no trailing "/"
    //! The input the level meter beside the time display reads while a narration records;
    //! null: no meter.
    AudioBackend* levelInput = nullptr;
    //! Opens the microphone's level control for the microphone dialog; null or a null result:
    //! the dialog's slider stays unset.
    std::function<std::unique_ptr<MicrophoneVolume>()> microphoneVolume = {};
    //! The folder of the story's media, ending with "/", claimed for this program; empty:
    //! programFolder + "temp/".
    QString workingFolder = {};
};

//! The program's one top-level window: owns the story being edited, the account, the
//! recorder and the shared drawing resources; lays out the strip, the slide view, the
//! panels and the tool buttons; runs every command. GUI thread only.
class MainWindow : public QMainWindow, public RecorderListener
{
    Q_OBJECT
public:
    enum Command {
        UndoCommand = 130,
        RedoCommand = 131,
        NewPictorelle = 105,
        PreviewStory = 106,
        PublishStory = 107,
        AccountSettings = 108,
        NewPodcast = 109,
        LoadStory = 110,
        ProgramSettingsCommand = 111,
        VisitWebsite = 112,
        CheckForUpdates = 113,
        HelpCommand = 114,
        AddSlide = 115,
        CheckStory = 116,
        TutorialCommand = 117,
        SaveStory = 120,
        ExitCommand = 140,
        AboutCommand = 141,
        RecordingStarted = 500,
        PlaybackStarted = 501,
        RecordingStopped = 502,
        PlaybackStopped = 503,
        LogoCommand = 20005,
        EditStory = 21000,
        EditSlide = 21001,
        PreviousSlide = 21002,
        NextSlide = 21003,
        PlayCommand = 21006,
        RecordCommand = 21007,
        StopCommand = 21008,
        ClearNarration = 21009,
        CueCards = 21010,
    };
    static constexpr int MinimumWidth = 800;
    static constexpr int MinimumHeight = 780;
    //! Period of the recording (510) and playback (511) timers.
    static constexpr int ProgressTimerMs = 250;
    //! How often the level meter beside the time display shows the input level.
    static constexpr int LevelMeterMs = 40;

    explicit MainWindow(const MainWindowServices& services);
    ~MainWindow() override;

    //! Runs a menu, button or posted command; parameter is the command's second value
    //! (a nonzero one makes Save quiet).
    void command(int id, int parameter = 0);
    //! Queues a command for after the current event, as posting it would.
    void postCommand(int id, int parameter = 0);

    //! Reads the settings file into the settings and the account, then places the window.
    //! False when the file could not be opened (a first start).
    bool loadSettings();
    //! Writes the window's rectangle and every setting to the settings file.
    bool saveSettings();
    //! Adds the dropped picture files at the strip's drop index for clientPos; podcasts take none.
    //! Returns the number of slides added.
    int dropFiles(const QList<QUrl>& urls, QPoint clientPos);
    //! Another start of the program asked for this window.
    void bringToFront();
    //! After the window is shown: a message naming any data table the program folder lacks,
    //! the tutorial on a first start, then the account dialog while the user name or the
    //! password is empty.
    void runStartUpDialogs(bool firstStart);
    //! Rebuilds the story from a recovery copy found at start-up (the story is fresh), shows
    //! it, keeps a new copy and throws the old one away; warnings are shown to the user.
    bool restoreRecovery(const QString& recoveryFile);
    //! The recovery copy of the story being edited; rewritten within a second of a change.
    RecoveryKeeper& recovery() { return *m_recovery; }

    Story& story() { return *m_story; }
    UserAccount& account() { return m_account; }
    NarrationRecorder& recorder() { return *m_recorder; }
    SkinResources& skin() { return *m_skin; }
    ThumbnailStrip* strip() const { return m_strip; }
    SlideView* slideView() const { return m_slideView; }
    StatusDisplay* timeDisplay() const { return m_timeDisplay; }
    //! The live input level under the time display; shown while a narration records.
    LevelMeter* levelMeter() const { return m_levelMeter; }
    //! What the level meter's 40 ms timer does: shows the input's latest level.
    void levelMeterTick();
    QPlainTextEdit* transcriptBox() const { return m_transcriptBox; }
    QCheckBox* transcriptCheck() const { return m_transcriptCheck; }
    //! The client area the controls are laid out in.
    QWidget* canvas() const { return m_canvas; }
    //! The skinned button with that command id; null for others.
    SkinnedButton* button(int id) const;
    bool recordingTimerActive() const { return m_recordTimer.isActive(); }
    bool playbackTimerActive() const { return m_playTimer.isActive(); }

    // Panel refreshes, also used by the dialogs that edit the story.
    void refreshStoryPanel();
    void refreshSlidePanel(bool withPictureView);
    void refreshTimeDisplay();
    void refreshTranscriptView();
    void copyTranscriptIntoStory();
    //! Lays the controls out for the story type and the client size.
    void relayout();

signals:
    //! The cue-card window's commands (551 show slide, 552 slide moved, 1 close); ignored while
    //! no cue-card window is open.
    void cueCardCommand(int command, int index);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    // RecorderListener: the recorder's commands 500 to 503 and its button flags.
    void recordingStarted() override;
    void playbackStarted() override;
    void recordingStopped() override;
    void playbackStopped() override;
    void recordButtonChanged() override;
    void playButtonChanged() override;

    void createMenus();
    //! Edit > Undo / Redo over the story's undo stack, labelled by the step they undo or redo.
    void createEditMenu();
    void updateUndoActions();
    //! The views follow the story's change signals: one refresh per burst of changes.
    void listenToStory();
    void refreshFromStory();
    void createControls();
    void connectViews();
    //! Routes the strip's removal question and the missing-help-page message to the prompter.
    void connectPrompts();
    //! Tells the user which data tables are missing or unusable, and what fails without them.
    void reportMissingData();
    //! Writes the settings file at once (after a settings dialog's OK); says so when it cannot.
    void saveSettingsNow();
    void paintCanvas(QPainter& painter);
    void wheelOnCanvas(int delta);

    // Commands.
    //! False when the user cancelled; Yes saves quietly first.
    bool saveChangesPrompt();
    //! Saves the story; quiet: no confirmation. AlreadyRemade only right after publishing,
    //! which remade every picture.
    void save(bool quiet, SavedPictures pictures = SavedPictures::Remake);
    void newStory(bool podcast);
    void addSlide();
    void changePhoto(int index);
    void selectNeighbour(int step);
    void play();
    void record();
    void stop();
    //! Finishes a recording (the narration so far is kept) and stops a playback.
    void stopAudio();
    //! The record and play buttons' faces as the recorder's flags say.
    void syncAudioButtons();
    void clearNarration();
    void afterStoryReplaced();
    //! Starts keeping the recovery copy; what is typed but not yet stored goes into it too.
    void keepRecoveryCopy();
    void loadStory();
    void closeCueCard();
    void openCueCard();
    void openAccountDialog(QWidget* owner, int parameter);
    void editStory();
    void publish();
    void editSlide(int index);
    void invalidatePictureView();
    void progressTick(bool recording);
    void showRecordingError(const QString& message);
    void limitTranscript();
    void openMicrophoneDialog(QWidget* owner);
    void startLevelMeter();
    void stopLevelMeter();

    MainWindowServices m_services;
    ProgramSettings& m_settings;
    UserAccount m_account;
    std::unique_ptr<SkinResources> m_skin;
    std::unique_ptr<Story> m_story;
    // Destroyed before the story: it may point at a slide.
    std::unique_ptr<NarrationRecorder> m_recorder;
    std::unique_ptr<RecoveryKeeper> m_recovery;
    QAction* m_undoAction = nullptr;
    QAction* m_redoAction = nullptr;
    bool m_refreshPending = false;

    QWidget* m_canvas = nullptr;
    ThumbnailStrip* m_strip = nullptr;
    SlideView* m_slideView = nullptr;
    QPlainTextEdit* m_transcriptBox = nullptr;
    QCheckBox* m_transcriptCheck = nullptr;
    QLabel* m_transcriptHeading = nullptr;
    QLabel* m_storyHeading = nullptr;
    std::array<QLabel*, 6> m_storyLabels{};
    std::array<PanelValue*, 6> m_storyValues{};
    QLabel* m_slideHeading = nullptr;
    std::array<QLabel*, 3> m_slideLabels{};
    std::array<PanelValue*, 3> m_slideValues{};
    QLabel* m_slidePosition = nullptr;
    QLabel* m_audioLabel = nullptr;
    StatusDisplay* m_timeDisplay = nullptr;
    LevelMeter* m_levelMeter = nullptr;
    //! Reads levelInput while a narration records; none without that service.
    std::unique_ptr<InputLevelMeter> m_inputMeter;
    QList<SkinnedButton*> m_buttons;
    SkinnedButton* m_recordButton = nullptr;
    SkinnedButton* m_playButton = nullptr;
    SkinnedButton* m_editSlideButton = nullptr;

    QBasicTimer m_recordTimer;
    QBasicTimer m_playTimer;
    QBasicTimer m_meterTimer;
    MainLayout m_layout;
    //! The library's sort directions, kept for the whole run.
    StoryLibrary::SortSwitches m_librarySort;
    //! How the small dialogs reach the account dialog, help pages, web pages and commands.
    DialogActions m_actions;
    //! The service's catalogue, read from the program folder's "category.dat".
    CategoryTree m_categories;
    int m_lastClientWidth = 0;
    //! The transcript box is being filled from the story: no edit of the user's.
    bool m_fillingTranscript = false;
    //! The modeless cue-card window while it is open.
    QPointer<QWidget> m_cueCard;
};
