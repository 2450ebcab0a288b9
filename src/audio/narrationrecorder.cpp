#include "audio/narrationrecorder.h"

#include "audio/audiobackend.h"
#include "audio/millisecondclock.h"
#include "audio/recorderlistener.h"
#include "audio/soundplayer.h"
#include "story/slide.h"

#include <algorithm>

namespace {

// One measurement outside 0..1000 s means the clock jumped; it counts nothing.
constexpr qint64 LongestMeasurement = 1000;

int floorSeconds(qint64 milliseconds)
{
    if (milliseconds < 0)
        return 0;
    const qint64 seconds = milliseconds / 1000;
    return seconds > LongestMeasurement ? 0 : int(seconds);
}

} // namespace

NarrationRecorder::NarrationRecorder(AudioBackend& backend, SoundPlayer& player, const MillisecondClock& clock,
                                     RecorderListener& listener)
    : m_backend(backend), m_player(player), m_clock(clock), m_listener(listener)
{}

NarrationRecorder::~NarrationRecorder()
{
    // The story and the window may already be gone at shut-down: only the file is completed.
    if (m_recording) {
        if (m_state == RecorderState::Paused)
            m_recording->resume();
        m_recording->finish();
    }
}

qint64 NarrationRecorder::now() const
{
    return m_clock.milliseconds();
}

RecordingStart NarrationRecorder::record(Slide* slide)
{
    if (m_state == RecorderState::Playing)
        stopPlayback();
    if (!slide || m_recording)
        return {RecordingError::Ignored, {}, {}};

    RecordingStart result;
    // The take is capped at the slide's limit (at least a second, as the timer counts).
    auto session =
        RecordingSession::start(m_backend, slide->narrationWavPath(), result, std::max(slide->longestNarration(), 1));
    if (!session)
        return result;
    // Told once: the next takes from the default microphone go ahead without a word.
    if (result.notice.isEmpty()) {
        m_toldMissing.clear();
    } else {
        const QString chosen = m_backend.inputDevice();
        if (chosen == m_toldMissing)
            result.notice.clear();
        else
            m_toldMissing = chosen;
    }

    m_recordPausedLook = false;
    m_state = RecorderState::Recording;
    slide->setHasNarration(true);
    m_recording = std::move(session);
    // Set before notifying, so the window's refresh already sees the slide's limit.
    m_slide = slide;
    m_limit = slide->longestNarration();
    slide->setRecording(true);
    // The MP3 of the old narration no longer matches.
    slide->setMp3Encoded(false);
    m_listener.recordingStarted();
    setRecordLatched(true);
    return result;
}

void NarrationRecorder::togglePause(Slide* slide)
{
    if (!slide || !m_recording)
        return;
    if (m_state == RecorderState::Recording) {
        m_state = RecorderState::Paused;
        m_recordPausedLook = true;
        m_recording->pause();
    } else if (m_state == RecorderState::Paused) {
        m_state = RecorderState::Recording;
        m_recordPausedLook = false;
        m_recording->resume();
    }
}

void NarrationRecorder::stopRecording()
{
    if (m_recording) {
        if (m_state == RecorderState::Paused)
            togglePause(m_slide);
        m_recording->finish();
        // The length is the audio the file holds, rounded up once: neither the wait for the
        // first sample nor the pauses count.
        const int seconds = m_recording->recordedSeconds();
        m_lastRecordedSeconds = seconds;
        const bool captured = m_recording->recordedBytes() > 0;
        m_recording.reset();
        m_slide->setNarrationLength(seconds);
        m_slide->setHasNarration(captured);
        m_listener.recordingStopped();
        m_slide->setRecording(false);
        setRecordLatched(false);
        // The input stays warm for the next take (and reopens if the server went away).
        m_backend.prepareInput();
    }
    m_state = RecorderState::Stopped;
    m_limit = 0;
    m_recordPausedLook = false;
}

void NarrationRecorder::play(Slide* slide)
{
    if (m_state == RecorderState::Recording || m_state == RecorderState::Paused)
        stopRecording();
    if (!slide || !slide->hasNarration())
        return;

    m_state = RecorderState::Playing;
    m_player.playFile(slide->narrationWavPath());
    m_playing = true;
    m_playbackStart = now();
    m_limit = slide->longestNarration();
    m_playedLength = slide->narrationLength();
    slide->setRecording(false);
    m_listener.playbackStarted();
    setPlayLatched(true);
}

void NarrationRecorder::stopPlayback()
{
    m_state = RecorderState::Stopped;
    m_limit = 0;
    m_player.purge();
    playedSeconds();
    m_playing = false;
    m_listener.playbackStopped();
    setPlayLatched(false);
}

int NarrationRecorder::recordedSeconds()
{
    return m_recording ? m_recording->recordedSeconds() : m_lastRecordedSeconds;
}

bool NarrationRecorder::isCapturing() const
{
    return m_recording && m_state == RecorderState::Recording && m_recording->audioArrived();
}

qint64 NarrationRecorder::firstSampleTime() const
{
    return m_recording ? m_recording->firstSampleTime() : -1;
}

int NarrationRecorder::playedSeconds()
{
    if (m_playing)
        m_lastPlaySample = now();
    return floorSeconds(m_lastPlaySample - m_playbackStart);
}

float NarrationRecorder::recordingTick()
{
    if (!m_recording)
        return m_barRatio;
    const quint64 limitBytes = quint64(std::max(m_limit, 1)) * RecordingSession::BytesPerSecond;
    const float ratio = float(double(m_recording->recordedBytes()) / double(limitBytes));
    m_barRatio = ratio;
    if (m_recording->reachedLimit()) {
        stopRecording();
    } else if (m_recording->inputLost()) {
        // Nothing more can come; the file already holds every sample that did.
        stopRecording();
        m_listener.recordingInterrupted(microphoneDisconnectedText());
    }
    return ratio;
}

float NarrationRecorder::playbackTick()
{
    const int played = playedSeconds();
    const float ratio = float(played) / float(std::max(m_limit, 1));
    m_barRatio = ratio;
    // A tick that was already queued when playback stopped must not report a second stop.
    if (m_playing && played >= m_playedLength + 1)
        stopPlayback();
    return ratio;
}

void NarrationRecorder::setRecordLatched(bool latched)
{
    m_recordLatched = latched;
    m_listener.recordButtonChanged();
}

void NarrationRecorder::setPlayLatched(bool latched)
{
    m_playLatched = latched;
    m_listener.playButtonChanged();
}
