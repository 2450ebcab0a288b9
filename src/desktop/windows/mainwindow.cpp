#include "desktop/windows/mainwindow.h"
#include "shell/storyrecovery.h"

#include "audio/inputlevelmeter.h"
#include "desktop/widgets/levelmeter.h"
#include "desktop/widgets/panelvalue.h"
#include "desktop/widgets/recorderdisplay.h"
#include "desktop/widgets/skinnedbutton.h"
#include "desktop/widgets/skinresources.h"
#include "desktop/widgets/slideview.h"
#include "desktop/widgets/statusdisplay.h"
#include "desktop/widgets/thumbnailstrip.h"
#include "shell/panelinfo.h"
#include "shell/picturefiles.h"
#include "shell/programfolder.h"
#include "story/slide.h"
#include "story/story.h"

#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTextDocument>
#include <QUndoStack>
#include <QWheelEvent>

#include <functional>

namespace {

constexpr int TranscriptLimit = 50000;

//! The client area: draws the audio progress bar and hands wheel turns and drops to the window.
class MainCanvas : public QWidget
{
public:
    explicit MainCanvas(QWidget* parent) : QWidget(parent)
    {
        setAcceptDrops(true);
        setAutoFillBackground(false);
    }

    std::function<void(QPainter&)> paint;
    std::function<void(int)> wheel;
    std::function<void()> resized;
    std::function<bool()> takesDrops;
    std::function<void(const QList<QUrl>&, QPoint)> dropped;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Button));
        if (paint)
            paint(painter);
    }
    void wheelEvent(QWheelEvent* event) override
    {
        if (wheel)
            wheel(event->angleDelta().y());
        event->accept();
    }
    void resizeEvent(QResizeEvent*) override
    {
        if (resized)
            resized();
    }
    void dragEnterEvent(QDragEnterEvent* event) override
    {
        if (event->mimeData()->hasUrls() && takesDrops && takesDrops())
            event->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* event) override
    {
        if (event->mimeData()->hasUrls() && takesDrops && takesDrops())
            event->acceptProposedAction();
    }
    void dropEvent(QDropEvent* event) override
    {
        if (!event->mimeData()->hasUrls() || !dropped)
            return;
        event->acceptProposedAction();
        dropped(event->mimeData()->urls(), event->position().toPoint());
    }
};

QLabel* makeLabel(QWidget* parent, const QString& text, const QFont& font, Qt::Alignment alignment, const char* name)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignment | Qt::AlignTop);
    label->setWordWrap(false);
    return label;
}

PanelValue* makeValue(QWidget* parent, const QFont& font, const char* name)
{
    auto* value = new PanelValue(parent);
    value->setObjectName(QLatin1String(name));
    value->setFont(font);
    return value;
}

void place(QWidget* widget, const QRect& rect)
{
    widget->setGeometry(rect);
    widget->setVisible(!rect.isEmpty());
}

struct ButtonSpec
{
    const char* text;
    int id;
    QSize size;
    int normal;
    int hover;
    int pressed;
};

constexpr ButtonSpec buttonSpecs[] = {
    {"Publish to PictorelleWeb", 107, {81, 26}, 1000, 1001, 1002},
    {"Preview", 106, {81, 26}, 2000, 2001, 2002},
    {"Add Slide", 115, {81, 26}, 3000, 3001, 3002},
    {"Program Settings", 111, {81, 26}, 4000, 4001, 4002},
    {"Pictorelle", 20005, {172, 34}, 900, 900, 900},
    {"Edit Pictorelle", 21000, {66, 26}, 1100, 1101, 1102},
    {"Edit Slide", 21001, {66, 26}, 1100, 1101, 1102},
    {"Prev Slide", 21002, {47, 26}, 1200, 1201, 1202},
    {"Next Slide", 21003, {47, 26}, 1300, 1301, 1302},
    {"Play", 21006, {41, 41}, 1700, 1701, 1702},
    {"Record", 21007, {47, 26}, 1600, 1601, 1602},
    {"Stop", 21008, {47, 26}, 1800, 1801, 1802},
    {"Cue Cards", 21010, {47, 26}, 1900, 1901, 1902},
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
    m_recorder = std::make_unique<NarrationRecorder>(m_services.audio, m_services.player, m_services.clock, *this);
    // The microphone opens now, so that the first take starts with the author's first word.
    m_services.audio.prepareInput();
    keepRecoveryCopy();

    m_categories.load(programfolder::categoryFile(m_services.programFolder));
    m_actions = browserDialogActions(m_services.browser, m_services.programFolder, m_services.serviceBase);
    m_actions.postCommand = [this](int id) { postCommand(id); };
    m_actions.openAccount = [this](QWidget* owner, int parameter) { openAccountDialog(owner, parameter); };
    m_actions.openMicrophone = [this](QWidget* owner, int) { openMicrophoneDialog(owner); };
    if (m_services.levelInput)
        m_inputMeter = std::make_unique<InputLevelMeter>(*m_services.levelInput);

    createMenus();
    createControls();
    connectViews();
    listenToStory();
    connectPrompts();
    resize(m_settings.windowWidth(), m_settings.windowHeight());
    relayout();
    refreshStoryPanel();
    refreshSlidePanel(true);
    refreshTimeDisplay();
}

MainWindow::~MainWindow()
{
    m_recordTimer.stop();
    m_playTimer.stop();
    m_meterTimer.stop();
    m_inputMeter.reset();
    // The views use the story and the skin: they go first, then the recorder, then the story.
    delete m_cueCard.data();
    delete m_canvas;
    m_canvas = nullptr;
    m_levelMeter = nullptr;
    // Closing in order: nothing is left to recover. The recording the recorder finishes
    // below is kept in the working folder as before.
    m_recovery->discard();
    m_recovery.reset();
    // The story's last notices (its undo stack clearing) are no longer the window's business.
    m_story->undoStack()->disconnect(this);
    m_story->disconnect(this);
    m_recorder.reset();
    m_story.reset();
}

void MainWindow::createControls()
{
    auto* canvas = new MainCanvas(this);
    canvas->setObjectName(QStringLiteral("client"));
    canvas->paint = [this](QPainter& painter) { paintCanvas(painter); };
    canvas->wheel = [this](int delta) { wheelOnCanvas(delta); };
    canvas->resized = [this] { relayout(); };
    canvas->takesDrops = [this] { return !m_story->isPodcast(); };
    canvas->dropped = [this](const QList<QUrl>& urls, QPoint pos) { dropFiles(urls, pos); };
    m_canvas = canvas;
    setCentralWidget(canvas);

    const SkinResources& skin = *m_skin;
    m_strip = new ThumbnailStrip(*m_story, *m_skin, canvas);
    m_strip->setObjectName(QStringLiteral("THUMB_CLASS"));
    m_slideView = new SlideView(*m_story, *m_skin, canvas);
    m_slideView->setObjectName(QStringLiteral("PREVIEW_CLASS"));

    m_transcriptBox = new QPlainTextEdit(canvas);
    m_transcriptBox->setObjectName(QStringLiteral("transcript"));
    m_transcriptBox->setFont(skin.textFont());
    m_transcriptBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_transcriptBox->setTabChangesFocus(true);
    connect(m_transcriptBox, &QPlainTextEdit::textChanged, this, &MainWindow::limitTranscript);
    // Typing in the transcript is a change to the story: closing must not lose it unasked.
    // Filling the box from the story clears the document's flag, so only edits count.
    connect(m_transcriptBox->document(), &QTextDocument::modificationChanged, this, [this](bool changed) {
        if (changed && m_story->isPodcast() && !m_fillingTranscript)
            m_story->setModified(true);
    });
    m_transcriptCheck = new QCheckBox(QStringLiteral("Publish Audio Transcript (optional)"), canvas);
    m_transcriptCheck->setObjectName(QStringLiteral("transcriptPublish"));
    connect(m_transcriptCheck, &QCheckBox::clicked, this, [this] { m_story->setModified(true); });
    m_transcriptHeading =
        makeLabel(canvas, QStringLiteral("Audio Transcript"), skin.largeFont(), Qt::AlignLeft, "transcriptHeading");

    for (const ButtonSpec& spec : buttonSpecs) {
        auto* button = new SkinnedButton(canvas, QRect(QPoint(0, 0), spec.size), spec.id, QString::fromUtf8(spec.text));
        // The logo's word mark is drawn smaller than its button.
        const QSize faceSize = spec.id == LogoCommand ? QSize(149, 31) : spec.size;
        button->setFaces(skin.faces(spec.normal, spec.hover, spec.pressed, faceSize));
        connect(button, &SkinnedButton::commandTriggered, this, [this](int id) { command(id); });
        m_buttons.append(button);
        if (spec.id == RecordCommand) {
            button->setFaces(skin.faces(1603, 1604, 1605, spec.size), SkinnedButton::FaceSet::Second);
            m_recordButton = button;
        } else if (spec.id == PlayCommand) {
            m_playButton = button;
        } else if (spec.id == EditSlide) {
            m_editSlideButton = button;
        }
        if (spec.id != LogoCommand)
            continue;
        // The panel controls come between the logo and the Edit buttons.
        m_storyHeading =
            makeLabel(canvas, QStringLiteral("Pictorelle Info"), skin.largeFont(), Qt::AlignLeft, "storyHeading");
        static const char* const storyLabelTexts[] = {
            "Category:", "Title:", "Description:", "Tags:", "Length:", "Slides:"};
        static const char* const storyValueNames[] = {"categoryValue", "titleValue",  "descriptionValue",
                                                      "tagsValue",     "lengthValue", "slidesValue"};
        for (int i = 0; i < 6; ++i) {
            m_storyLabels[i] = makeLabel(canvas, QString::fromUtf8(storyLabelTexts[i]), skin.labelFont(),
                                         Qt::AlignRight, "storyLabel");
            m_storyValues[i] = makeValue(canvas, skin.textFont(), storyValueNames[i]);
        }
        m_slideHeading =
            makeLabel(canvas, QStringLiteral("Slide info"), skin.largeFont(), Qt::AlignLeft, "slideHeading");
        static const char* const slideLabelTexts[] = {"Caption:", "Tags:", "Length:"};
        static const char* const slideValueNames[] = {"captionValue", "slideTagsValue", "slideLengthValue"};
        for (int i = 0; i < 3; ++i) {
            m_slideLabels[i] = makeLabel(canvas, QString::fromUtf8(slideLabelTexts[i]), skin.labelFont(),
                                         Qt::AlignRight, "slideLabel");
            m_slideValues[i] = makeValue(canvas, skin.textFont(), slideValueNames[i]);
        }
        m_slidePosition =
            makeLabel(canvas, QStringLiteral("Slide"), skin.largeFont(), Qt::AlignHCenter, "slidePosition");
        m_audioLabel = makeLabel(canvas, QStringLiteral("Audio:"), skin.labelFont(), Qt::AlignRight, "audioLabel");
        m_timeDisplay = new StatusDisplay(canvas);
        m_timeDisplay->setObjectName(QStringLiteral("timeDisplay"));
        m_timeDisplay->setFont(skin.textFont());
        m_levelMeter = new LevelMeter(canvas);
        m_levelMeter->setObjectName(QStringLiteral("levelMeter"));
        m_levelMeter->setToolTip(QStringLiteral("Microphone level"));
        m_levelMeter->hide();
    }
}

void MainWindow::connectViews()
{
    // The strip posts its commands: they run after the strip's own event has finished.
    connect(m_strip, &ThumbnailStrip::commandRequested, this, [this](int id) { postCommand(id); });
    connect(m_strip, &ThumbnailStrip::cueCardCommand, this, [this](int command, int index) {
        if (m_cueCard)
            emit cueCardCommand(command, index);
    });
    connect(m_strip, &ThumbnailStrip::changePhotoRequested, this, &MainWindow::changePhoto);
    connect(m_strip, &ThumbnailStrip::stopRecordingRequested, this, [this](int) { m_recorder->stopRecording(); });
    connect(m_strip, &ThumbnailStrip::slideSelected, this, [this](int) {
        refreshSlidePanel(true);
        refreshTimeDisplay();
    });
    // The strip's edits are steps on the undo stack, which keeps the modified flag.
    connect(m_strip, &ThumbnailStrip::storyChanged, this, [this] {
        refreshStoryPanel();
        refreshSlidePanel(true);
        refreshTimeDisplay();
        m_canvas->update();
    });
    connect(m_slideView, &SlideView::slideShown, this, [this] {
        refreshSlidePanel(false);
        refreshTimeDisplay();
    });
    connect(m_slideView, &SlideView::thumbnailsChanged, m_strip, qOverload<>(&QWidget::update));
    connect(m_slideView, &SlideView::contextMenuRequested, this, [this](QPoint global) {
        const std::unique_ptr<QMenu> menu = m_strip->buildContextMenu(m_story->currentIndex(), false);
        menu->exec(global);
    });
    // A finished import repaints the strip and the picture on the GUI thread (the signal is
    // emitted there by the story's queued result handling).
    connect(m_story.get(), &Story::slideReady, this, [this](int index) {
        m_strip->update();
        if (index == m_story->currentIndex())
            invalidatePictureView();
    });
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
    if (!m_canvas)
        return;
    const int w = m_canvas->width();
    const int h = m_canvas->height();
    m_layout = computeMainLayout(w, h, m_story->type());
    const MainLayout& l = m_layout;

    static constexpr int toolIds[] = {PublishStory, PreviewStory, AddSlide, ProgramSettingsCommand};
    for (int k = 0; k < 4; ++k)
        button(toolIds[k])->setGeometry(l.toolButtons[k]);
    button(LogoCommand)->setGeometry(l.logo);
    m_strip->setGeometry(l.strip);
    m_storyHeading->setGeometry(l.storyHeading);
    button(EditStory)->setGeometry(l.editStory);
    for (int i = 0; i < 6; ++i) {
        m_storyLabels[i]->setGeometry(l.storyLabels[i]);
        m_storyValues[i]->setGeometry(l.storyValues[i]);
    }
    button(PreviousSlide)->setGeometry(l.previousSlide);
    button(NextSlide)->setGeometry(l.nextSlide);
    m_slidePosition->setGeometry(l.slidePosition);
    m_recordButton->setGeometry(l.record);
    m_playButton->setGeometry(l.play);
    button(StopCommand)->setGeometry(l.stop);
    button(CueCards)->setGeometry(l.cueCards);
    m_audioLabel->setGeometry(l.audioLabel);
    m_timeDisplay->setGeometry(l.timeDisplay);
    m_levelMeter->setGeometry(l.levelMeter);

    if (l.slidePanel) {
        const SlidePanelPlaces& panel = *l.slidePanel;
        place(m_slideHeading, panel.heading);
        m_editSlideButton->setGeometry(panel.editSlide);
        m_editSlideButton->setVisible(!panel.editSlide.isEmpty());
        for (int i = 0; i < 3; ++i) {
            place(m_slideLabels[i], panel.labels[i]);
            place(m_slideValues[i], panel.values[i]);
        }
    }

    const bool podcast = m_story->isPodcast();
    QWidget* shrinking = podcast ? static_cast<QWidget*>(m_slideView) : m_transcriptBox;
    QWidget* growing = podcast ? static_cast<QWidget*>(m_transcriptBox) : m_slideView;
    const bool moveFocus = shrinking->hasFocus();
    place(m_slideView, l.slideView);
    place(m_transcriptHeading, l.transcriptHeading);
    place(m_transcriptCheck, l.transcriptCheck);
    place(m_transcriptBox, l.transcriptBox);
    if (moveFocus)
        growing->setFocus();

    m_strip->recomputeScrollRange();
    m_lastClientWidth = w;
    m_canvas->update();
}

void MainWindow::refreshStoryPanel()
{
    const StoryPanelTexts texts = storyPanelTexts(*m_story);
    if (!texts.heading.isEmpty())
        m_storyHeading->setText(texts.heading);
    const QString values[6] = {texts.category, texts.title, texts.description, texts.tags, texts.length, texts.slides};
    for (int i = 0; i < 6; ++i)
        m_storyValues[i]->setText(values[i]);
}

void MainWindow::refreshSlidePanel(bool withPictureView)
{
    const SlidePanelTexts texts = slidePanelTexts(*m_story);
    m_slideHeading->setText(texts.heading);
    m_slidePosition->setText(texts.position);
    m_slideValues[0]->setText(texts.caption);
    m_slideValues[1]->setText(texts.tags);
    m_slideValues[2]->setText(texts.length);
    if (withPictureView)
        invalidatePictureView();
}

void MainWindow::refreshTimeDisplay()
{
    const int narration = currentNarrationSeconds(*m_story);
    const bool hasSlide = narration >= 0;
    const RecorderState state = m_recorder->state();
    const bool playing = state == RecorderState::Playing;
    const bool recording = state == RecorderState::Recording || state == RecorderState::Paused;
    const int played = playing ? m_recorder->playedSeconds() : 0;
    const int recorded = recording ? m_recorder->recordedSeconds() : 0;
    const bool soundArrived = state != RecorderState::Recording || m_recorder->isCapturing();
    m_timeDisplay->setStatus(statusText(state, hasSlide, soundArrived),
                             statusTimeText(state, hasSlide, played, recorded, std::max(narration, 0)));
}

void MainWindow::refreshTranscriptView()
{
    if (!m_story->isPodcast())
        return;
    m_transcriptCheck->setChecked(m_story->transcriptPublish());
    const QScopedValueRollback filling(m_fillingTranscript, true);
    m_transcriptBox->setPlainText(m_story->transcript());
    m_transcriptBox->document()->setModified(false);
}

void MainWindow::copyTranscriptIntoStory()
{
    if (!m_story->isPodcast())
        return;
    m_story->setTranscript(m_transcriptBox->toPlainText().left(TranscriptLimit));
    m_story->setTranscriptPublish(m_transcriptCheck->isChecked());
}

void MainWindow::limitTranscript()
{
    const QString text = m_transcriptBox->toPlainText();
    if (text.size() <= TranscriptLimit)
        return;
    // Typing or pasting past the limit keeps the first 50000 characters, as the box's limit does.
    QTextCursor cursor = m_transcriptBox->textCursor();
    const int position = std::min(cursor.position(), TranscriptLimit);
    const QSignalBlocker blocker(m_transcriptBox);
    m_transcriptBox->setPlainText(text.left(TranscriptLimit));
    cursor = m_transcriptBox->textCursor();
    cursor.setPosition(position);
    m_transcriptBox->setTextCursor(cursor);
}

void MainWindow::invalidatePictureView()
{
    if (m_story->isPodcast())
        m_transcriptBox->viewport()->update();
    else
        m_slideView->update();
}

void MainWindow::paintCanvas(QPainter& painter)
{
    // The recorder's progress bar, drawn with its last ratio.
    const ProgressBarGeometry bar = progressBar(m_canvas->width(), m_canvas->height(), m_recorder->barRatio(),
                                                m_recorder->state(), m_recorder->isPlaying());
    if (bar.filled && !bar.filled->isEmpty())
        painter.fillRect(bar.filled->toQRect(), bar.filledColour);
    if (!bar.rest.isEmpty())
        painter.fillRect(bar.rest.toQRect(), Qt::black);
    for (const BarLine& line : bar.frame) {
        // A line excludes its end point.
        const int dx = line.x2 > line.x1 ? -1 : 0;
        const int dy = line.y2 > line.y1 ? -1 : 0;
        painter.fillRect(QRect(QPoint(line.x1, line.y1), QPoint(line.x2 + dx, line.y2 + dy)), line.colour);
    }
}

void MainWindow::wheelOnCanvas(int delta)
{
    if (delta == 0)
        return;
    // One line per notch; a fine-grained wheel still moves at least one line.
    const int notches = std::max(1, std::abs(delta) / 120);
    for (int i = 0; i < notches; ++i)
        m_strip->lineScroll(delta > 0 ? 1 : -1);
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
