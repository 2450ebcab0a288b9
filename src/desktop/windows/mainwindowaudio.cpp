#include "desktop/windows/mainwindow.h"

#include "audio/inputlevelmeter.h"
#include "desktop/widgets/levelmeter.h"
#include "desktop/widgets/skinnedbutton.h"
#include "desktop/widgets/statusdisplay.h"
#include "desktop/widgets/thumbnailstrip.h"
#include "story/clearnarrationcommand.h"
#include "story/slide.h"
#include "story/story.h"

#include <QTimerEvent>

void MainWindow::play()
{
    Slide* slide = m_story->slideAt(m_story->currentIndex());
    if (!slide)
        return;
    if (m_recorder->playLatched())
        m_recorder->stopPlayback();
    else
        m_recorder->play(slide);
    refreshTimeDisplay();
}

void MainWindow::record()
{
    Slide* slide = m_story->slideAt(m_story->currentIndex());
    if (!slide)
        return;
    if (m_recorder->recordLatched()) {
        m_recorder->togglePause(slide);
        syncAudioButtons();
        refreshTimeDisplay();
        m_canvas->update();
        return;
    }
    if (slide->hasNarration() && !m_services.prompter.confirmNarrationPrompt(Prompter::NarrationPrompt::RecordOver))
        return;
    // The prompt runs its own event loop: the slide may be gone.
    slide = m_story->slideAt(m_story->currentIndex());
    if (!slide)
        return;
    const RecordingStart start = m_recorder->record(slide);
    if (!start.started()) {
        if (!start.message.isEmpty())
            showRecordingError(start.message);
        return;
    }
    m_story->setModified(true);
}

void MainWindow::showRecordingError(const QString& message)
{
    m_services.prompter.inform(QStringLiteral("Pictorelle"), message, Prompter::Icon::Warning);
    refreshTimeDisplay();
}

void MainWindow::stop()
{
    if (!m_story->slideAt(m_story->currentIndex()))
        return;
    const RecorderState state = m_recorder->state();
    if (state == RecorderState::Recording || state == RecorderState::Paused)
        m_recorder->stopRecording();
    else
        m_recorder->stopPlayback();
    // The recorder reports the stop before it settles in its new state.
    syncAudioButtons();
    refreshTimeDisplay();
}

void MainWindow::stopAudio()
{
    m_recorder->stopRecording();
    m_recorder->stopPlayback();
    syncAudioButtons();
    refreshTimeDisplay();
}

void MainWindow::syncAudioButtons()
{
    // The paused look changes without a notice from the recorder: show it now.
    if (m_recordButton->isFaceSet2() != m_recorder->recordPausedLook()) {
        m_recordButton->setFaceSet2(m_recorder->recordPausedLook());
        m_recordButton->update();
    }
    m_recordButton->setLatched(m_recorder->recordLatched());
    m_playButton->setLatched(m_recorder->playLatched());
}

void MainWindow::clearNarration()
{
    Slide* slide = m_story->slideAt(m_story->currentIndex());
    if (!slide || !slide->hasNarration() || slide->isRecording())
        return;
    if (!m_services.prompter.confirmNarrationPrompt(Prompter::NarrationPrompt::Clear))
        return;
    slide = m_story->slideAt(m_story->currentIndex());
    if (!slide || slide->isRecording())
        return;
    // Playback of the narration being thrown away ends with it.
    if (m_recorder->isPlaying())
        m_recorder->stopPlayback();
    // Undoable: the take waits under a kept name until the step leaves the stack.
    m_story->push(new ClearNarrationCommand(*m_story, m_story->currentIndex()));
    refreshTimeDisplay();
    refreshStoryPanel();
    refreshSlidePanel(false);
    m_strip->update();
}

void MainWindow::progressTick(bool recording)
{
    if (recording)
        m_recorder->recordingTick();
    else
        m_recorder->playbackTick();
    m_canvas->update(QRect(m_layout.progressBar, QSize(207, 11)));
    syncAudioButtons();
    refreshTimeDisplay();
}

void MainWindow::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_recordTimer.timerId())
        progressTick(true);
    else if (event->timerId() == m_playTimer.timerId())
        progressTick(false);
    else if (event->timerId() == m_meterTimer.timerId())
        levelMeterTick();
    else
        QMainWindow::timerEvent(event);
}

void MainWindow::startLevelMeter()
{
    // The meter reads its own stream of the same input: the narration's buffers are 100 ms
    // long, too few a second for a live meter. Without a second stream there is no meter;
    // the narration records all the same.
    if (!m_inputMeter || !m_levelMeter || m_inputMeter->isRunning())
        return;
    if (!m_inputMeter->start())
        return;
    m_levelMeter->clear();
    m_levelMeter->show();
    m_meterTimer.start(LevelMeterMs, this);
}

void MainWindow::stopLevelMeter()
{
    m_meterTimer.stop();
    if (m_inputMeter)
        m_inputMeter->stop();
    if (m_levelMeter) {
        m_levelMeter->clear();
        m_levelMeter->hide();
    }
}

void MainWindow::levelMeterTick()
{
    if (!m_inputMeter || !m_inputMeter->isRunning() || !m_levelMeter)
        return;
    if (m_inputMeter->hasLostInput()) {
        // The recorder reports a lost microphone itself; the meter just goes quiet.
        stopLevelMeter();
        return;
    }
    const InputLevelMeter::Level level = m_inputMeter->level();
    m_levelMeter->setLevel(level.peak, level.rms);
}

void MainWindow::recordingStarted()
{
    m_recordTimer.start(ProgressTimerMs, this);
    startLevelMeter();
    refreshTimeDisplay();
    m_canvas->update();
}

void MainWindow::playbackStarted()
{
    m_playTimer.start(ProgressTimerMs, this);
    refreshTimeDisplay();
    m_canvas->update();
}

void MainWindow::recordingStopped()
{
    m_recordTimer.stop();
    stopLevelMeter();
    refreshTimeDisplay();
    refreshStoryPanel();
    refreshSlidePanel(false);
    m_strip->update();
    m_canvas->update();
}

void MainWindow::playbackStopped()
{
    m_playTimer.stop();
    refreshTimeDisplay();
    m_canvas->update();
}

void MainWindow::recordButtonChanged()
{
    m_recordButton->setFaceSet2(m_recorder->recordPausedLook());
    m_recordButton->setLatched(m_recorder->recordLatched());
}

void MainWindow::playButtonChanged()
{
    m_playButton->setLatched(m_recorder->playLatched());
}
