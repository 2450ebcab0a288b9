#pragma once

#include "desktop/dialogs/dialogactions.h"
#include "desktop/dialogs/prompter.h"
#include "desktop/windows/mainlayout.h"
#include "shell/categorytree.h"
#include "shell/programsettings.h"
#include "shell/useraccount.h"
#include "story/storyfile.h"
#include "story/storylibrary.h"

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
class MainMenus;
class NarrationControls;
class NarrationImport;
class NarrationRecorder;
class ProgramDialogs;
class SlideActions;
class SlidePanel;
class StoryActions;
class BackgroundPreparation;
class StoryPanel;
class TranscriptPanel;
class LevelMeter;
class MicrophoneVolume;
class MillisecondClock;
class PictureImportService;
class QCheckBox;
class QLabel;
class PanelValue;
class QPlainTextEdit;
class ScreenFitter;
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
    //! Opens the level control of a microphone (by its sound-server name, empty for the
    //! default) for the microphone dialog; null or a null result: the dialog's slider stays unset.
    std::function<std::unique_ptr<MicrophoneVolume>(const QString& device)> microphoneVolume = {};
    //! The folder of the story's media, ending with "/", claimed for this program; empty:
    //! programFolder + "temp/".
    QString workingFolder = {};
};

//! The program's one top-level window: owns the story being edited, the account and the
//! shared drawing resources, and composes the window from its parts: the menus, the strip, the
//! slide view, the story, slide and transcript panels and the narration controls, each of
//! which follows the story's signals. Runs every command; every edit of the story is a step on
//! its undo stack. GUI thread only.
class MainWindow : public QMainWindow
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
        SaveStoryAs = 122,
        ExportStory = 121,
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
        ImportNarration = 21011,
    };
    //! The window's minimum size where the screen has room for it; a smaller screen lowers it
    //! to the screen's free area.
    static constexpr int MinimumWidth = 800;
    static constexpr int MinimumHeight = 780;

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
    NarrationRecorder& recorder();
    SkinResources& skin() { return *m_skin; }
    ThumbnailStrip* strip() const { return m_strip; }
    SlideView* slideView() const { return m_slideView; }
    StatusDisplay* timeDisplay() const;
    //! The live input level under the time display; shown while a narration records.
    LevelMeter* levelMeter() const;
    //! What the level meter's 40 ms timer does: shows the input's latest level.
    void levelMeterTick();
    QPlainTextEdit* transcriptBox() const;
    QCheckBox* transcriptCheck() const;
    //! The client area the controls are laid out in.
    QWidget* canvas() const { return m_canvas; }
    //! The skinned button with that command id; null for others.
    SkinnedButton* button(int id) const;
    bool recordingTimerActive() const;
    bool playbackTimerActive() const;
    //! Lays the controls out for the story type and the client size.
    void relayout();

signals:
    //! The cue-card window's commands (551 show slide, 552 slide moved, 1 close); ignored while
    //! no cue-card window is open.
    void cueCardCommand(int command, int index);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createControls();
    void connectViews();
    //! The views follow the story's change signals: one repaint per burst of changes.
    void listenToStory();
    void wheelOnCanvas(int delta);
    //! The record key (Ctrl+R, Space in the strip), the strip in the Tab order, and names
    //! for screen readers.
    void setUpKeyboard();
    //! Tab goes through the canvas's controls as they are laid out: row by row, left to right.
    void orderTabStops();

    void selectNeighbour(int step);
    //! Finishes a recording (the narration so far is kept) and stops a playback.
    void stopAudio();
    //! Narrations and the level meter record from the microphone the settings name.
    void applyInputDevice();
    //! A new, loaded or restored story: the layout follows its type, the strip starts afresh.
    void afterStoryReplaced();
    //! Starts keeping the recovery copy; what is typed but not yet stored goes into it too.
    void keepRecoveryCopy();
    void closeCueCard();
    void openCueCard();

    MainWindowServices m_services;
    ProgramSettings& m_settings;
    UserAccount m_account;
    std::unique_ptr<SkinResources> m_skin;
    std::unique_ptr<Story> m_story;
    //! Encodes narrations into the MP3 cache while the author works; goes before the story.
    std::unique_ptr<BackgroundPreparation> m_preparation;
    std::unique_ptr<RecoveryKeeper> m_recovery;
    MainMenus* m_menus = nullptr;
    bool m_repaintPending = false;

    QWidget* m_canvas = nullptr;
    //! Keeps the window on its screen's free area; a child of the window.
    ScreenFitter* m_screenFit = nullptr;
    ThumbnailStrip* m_strip = nullptr;
    SlideView* m_slideView = nullptr;
    // The parts; children of the canvas, except the narration controls, which own the recorder
    // and go before the story.
    std::unique_ptr<NarrationControls> m_narration;
    //! Import Narration and Import Segment; its worker is stopped before the story goes.
    std::unique_ptr<NarrationImport> m_import;
    StoryPanel* m_storyPanel = nullptr;
    SlidePanel* m_slidePanel = nullptr;
    TranscriptPanel* m_transcript = nullptr;
    SlideActions* m_slideActions = nullptr;
    ProgramDialogs* m_dialogs = nullptr;
    StoryActions* m_storyActions = nullptr;
    QList<SkinnedButton*> m_buttons;

    MainLayout m_layout;
    //! The services' browser; an address none could be started for is shown to copy by hand.
    std::unique_ptr<BrowserOpener> m_browser;
    //! How the small dialogs reach the account dialog, help pages, web pages and commands.
    DialogActions m_actions;
    //! The service's catalogue, read from the program folder's "category.dat".
    CategoryTree m_categories;
    //! The modeless cue-card window while it is open.
    QPointer<QWidget> m_cueCard;
};
