#include "desktop/windows/narrationcontrols.h"

#include "audio/inputlevelmeter.h"
#include "audio/narrationrecorder.h"
#include "desktop/dialogs/prompter.h"
#include "desktop/widgets/levelmeter.h"
#include "desktop/widgets/recorderdisplay.h"
#include "desktop/widgets/skinnedbutton.h"
#include "desktop/widgets/skinresources.h"
#include "desktop/widgets/statusdisplay.h"
#include "desktop/windows/mainlayout.h"
#include "desktop/windows/panellabels.h"
#include "desktop/windows/toolbuttons.h"
#include "shell/panelinfo.h"
#include "story/clearnarrationcommand.h"
#include "story/recordnarrationcommand.h"
#include "story/slide.h"
#include "story/story.h"

#include <QLabel>
#include <QPainter>
#include <QTimerEvent>

namespace {

constexpr int PlayId = 21006;
constexpr int RecordId = 21007;
constexpr int StopId = 21008;

} // namespace

NarrationControls::NarrationControls(Story& story, const Services& services, const SkinResources& skin, QWidget* canvas)
    : m_story(story), m_services(services), m_canvas(canvas)
{
    m_recorder = std::make_unique<NarrationRecorder>(services.audio, services.player, services.clock, *this);
    if (services.levelInput)
        m_inputMeter = std::make_unique<InputLevelMeter>(*services.levelInput);
    m_playButton = createToolButton(canvas, skin, PlayId);
    m_recordButton = createToolButton(canvas, skin, RecordId);
    m_stopButton = createToolButton(canvas, skin, StopId);
    connect(m_playButton, &SkinnedButton::commandTriggered, this, &NarrationControls::play);
    connect(m_recordButton, &SkinnedButton::commandTriggered, this, &NarrationControls::record);
    connect(m_stopButton, &SkinnedButton::commandTriggered, this, &NarrationControls::stop);
    m_audioLabel = makePanelLabel(canvas, QStringLiteral("Audio:"), skin.labelFont(), Qt::AlignRight, "audioLabel");
    m_timeDisplay = new StatusDisplay(canvas);
    m_timeDisplay->setObjectName(QStringLiteral("timeDisplay"));
    m_timeDisplay->setFont(skin.textFont());
    m_levelMeter = new LevelMeter(canvas);
    m_levelMeter->setObjectName(QStringLiteral("levelMeter"));
    m_levelMeter->setToolTip(QStringLiteral("Microphone level"));
    m_levelMeter->hide();

    connect(&story, &Story::currentChanged, this, &NarrationControls::refreshTime);
    connect(&story, &Story::narrationChanged, this, &NarrationControls::refreshTime);
    connect(&story, &Story::slideRemoved, this, &NarrationControls::refreshTime);
    connect(&story, &Story::storyReset, this, [this] {
        m_recorder->setBarRatio(0);
        refreshTime();
        updateCanvas();
    });
    refreshTime();
}

NarrationControls::~NarrationControls()
{
    m_recordTimer.stop();
    m_playTimer.stop();
    m_meterTimer.stop();
    m_inputMeter.reset();
    // The recorder finishes a take under way without a notice; the new take is kept (its
    // step goes on the stack, as a stop would put it) rather than the old one put back.
    m_recorder.reset();
    finishTake();
}

Slide* NarrationControls::currentSlide() const
{
    return m_story.slideAt(m_story.currentIndex());
}

void NarrationControls::place(const MainLayout& layout)
{
    m_recordButton->setGeometry(layout.record);
    m_playButton->setGeometry(layout.play);
    m_stopButton->setGeometry(layout.stop);
    m_audioLabel->setGeometry(layout.audioLabel);
    m_timeDisplay->setGeometry(layout.timeDisplay);
    m_levelMeter->setGeometry(layout.levelMeter);
    m_progressBarAt = layout.progressBar;
}

void NarrationControls::play()
{
    Slide* slide = currentSlide();
    if (!slide)
        return;
    if (m_recorder->playLatched())
        m_recorder->stopPlayback();
    else
        m_recorder->play(slide);
    refreshTime();
}

void NarrationControls::record()
{
    finishTake();
    Slide* slide = currentSlide();
    if (!slide)
        return;
    if (m_recorder->recordLatched()) {
        m_recorder->togglePause(slide);
        syncButtons();
        refreshTime();
        updateCanvas();
        return;
    }
    if (slide->hasNarration() && !m_services.prompter.confirmNarrationPrompt(Prompter::NarrationPrompt::RecordOver))
        return;
    // The prompt runs its own event loop: the slide may be gone.
    slide = currentSlide();
    if (!slide)
        return;
    // The old take waits aside until the new one's step leaves the undo stack.
    std::unique_ptr<RecordNarrationCommand> take = RecordNarrationCommand::begin(m_story, m_story.currentIndex());
    if (!take)
        return;
    const RecordingStart start = m_recorder->record(slide);
    if (!start.started()) {
        // Dropping the step puts the old take back.
        take.reset();
        if (!start.message.isEmpty())
            m_services.prompter.inform(QStringLiteral("Pictorelle"), start.message, Prompter::Icon::Warning);
        refreshTime();
        return;
    }
    m_pendingTake = std::move(take);
    m_pendingTakeSlide = slide->id();
    // A take under way is unsaved work: the recovery copy keeps it from now on.
    m_story.setModified(true);
    // The take runs from the default microphone meanwhile; the box does not stop it.
    if (!start.notice.isEmpty())
        m_services.prompter.inform(QStringLiteral("Pictorelle"), start.notice, Prompter::Icon::Warning);
}

void NarrationControls::stop()
{
    if (!currentSlide())
        return;
    const RecorderState state = m_recorder->state();
    if (state == RecorderState::Recording || state == RecorderState::Paused)
        m_recorder->stopRecording();
    else
        m_recorder->stopPlayback();
    finishTake();
    // The recorder reports the stop before it settles in its new state.
    syncButtons();
    refreshTime();
}

void NarrationControls::recordOrStop()
{
    const RecorderState state = m_recorder->state();
    if (state == RecorderState::Recording || state == RecorderState::Paused)
        stop();
    else
        record();
}

void NarrationControls::stopAudio()
{
    m_recorder->stopRecording();
    finishTake();
    m_recorder->stopPlayback();
    syncButtons();
    refreshTime();
}

void NarrationControls::clearNarration()
{
    Slide* slide = currentSlide();
    if (!slide || !slide->hasNarration() || slide->isRecording())
        return;
    if (!m_services.prompter.confirmNarrationPrompt(Prompter::NarrationPrompt::Clear))
        return;
    slide = currentSlide();
    if (!slide || slide->isRecording())
        return;
    // Playback of the narration being thrown away ends with it.
    if (m_recorder->isPlaying())
        m_recorder->stopPlayback();
    // Undoable: the take waits under a kept name until the step leaves the stack.
    m_story.push(new ClearNarrationCommand(m_story, m_story.currentIndex()));
}

void NarrationControls::finishTake()
{
    if (!m_pendingTake || (m_recorder && m_recorder->state() != RecorderState::Stopped))
        return;
    const Slide* slide = m_story.slideAt(m_story.indexOfId(m_pendingTakeSlide));
    if (slide && slide->isRecording())
        return;
    // The take is whole now: it becomes the step that Undo takes back.
    m_story.push(m_pendingTake.release());
}

void NarrationControls::syncButtons()
{
    // The paused look changes without a notice from the recorder: show it now.
    if (m_recordButton->isFaceSet2() != m_recorder->recordPausedLook()) {
        m_recordButton->setFaceSet2(m_recorder->recordPausedLook());
        m_recordButton->update();
    }
    m_recordButton->setLatched(m_recorder->recordLatched());
    m_playButton->setLatched(m_recorder->playLatched());
}

void NarrationControls::refreshTime()
{
    const int narration = currentNarrationSeconds(m_story);
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

void NarrationControls::progressTick(bool recording)
{
    if (recording) {
        // The tick ends a take that reached its limit.
        m_recorder->recordingTick();
        finishTake();
    } else
        m_recorder->playbackTick();
    m_canvas->update(QRect(m_progressBarAt, QSize(207, 11)));
    syncButtons();
    refreshTime();
}

void NarrationControls::updateCanvas()
{
    m_canvas->update();
}

void NarrationControls::paintProgress(QPainter& painter, QSize canvas) const
{
    // The recorder's progress bar, drawn with its last ratio.
    const ProgressBarGeometry bar = progressBar(canvas.width(), canvas.height(), m_recorder->barRatio(),
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

void NarrationControls::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_recordTimer.timerId())
        progressTick(true);
    else if (event->timerId() == m_playTimer.timerId())
        progressTick(false);
    else if (event->timerId() == m_meterTimer.timerId())
        levelMeterTick();
    else
        QObject::timerEvent(event);
}

void NarrationControls::startLevelMeter()
{
    // The meter reads its own stream of the same input: the narration's buffers are 100 ms
    // long, too few a second for a live meter. Without a second stream there is no meter;
    // the narration records all the same.
    if (!m_inputMeter || m_inputMeter->isRunning())
        return;
    if (!m_inputMeter->start())
        return;
    m_levelMeter->clear();
    m_levelMeter->show();
    m_meterTimer.start(LevelMeterMs, this);
}

void NarrationControls::stopLevelMeter()
{
    m_meterTimer.stop();
    if (m_inputMeter)
        m_inputMeter->stop();
    m_levelMeter->clear();
    m_levelMeter->hide();
}

void NarrationControls::levelMeterTick()
{
    if (!m_inputMeter || !m_inputMeter->isRunning())
        return;
    if (m_inputMeter->hasLostInput()) {
        // The recorder reports a lost microphone itself (at its next tick); the meter just goes quiet.
        stopLevelMeter();
        return;
    }
    const InputLevelMeter::Level level = m_inputMeter->level();
    m_levelMeter->setLevel(level.peak, level.rms);
}

void NarrationControls::recordingStarted()
{
    m_recordTimer.start(ProgressTimerMs, this);
    startLevelMeter();
    refreshTime();
    updateCanvas();
}

void NarrationControls::playbackStarted()
{
    m_playTimer.start(ProgressTimerMs, this);
    refreshTime();
    updateCanvas();
}

void NarrationControls::recordingStopped()
{
    m_recordTimer.stop();
    stopLevelMeter();
    // The recorder tells before it lets go of the slide: the step follows once it has.
    QMetaObject::invokeMethod(this, &NarrationControls::finishTake, Qt::QueuedConnection);
    refreshTime();
    updateCanvas();
}

void NarrationControls::playbackStopped()
{
    m_playTimer.stop();
    refreshTime();
    updateCanvas();
}

void NarrationControls::recordButtonChanged()
{
    m_recordButton->setFaceSet2(m_recorder->recordPausedLook());
    m_recordButton->setLatched(m_recorder->recordLatched());
}

void NarrationControls::playButtonChanged()
{
    m_playButton->setLatched(m_recorder->playLatched());
}

void NarrationControls::recordingInterrupted(const QString& message)
{
    // The take is whole already (recordingStopped came first); its step follows the box.
    syncButtons();
    refreshTime();
    m_services.prompter.inform(QStringLiteral("Pictorelle"), message, Prompter::Icon::Warning);
}

void NarrationControls::stopRecording()
{
    m_recorder->stopRecording();
    finishTake();
}
