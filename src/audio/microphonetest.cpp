#include "audio/microphonetest.h"

#include "audio/microphonescale.h"
#include "audio/microphonevolume.h"
#include "audio/playtest.h"
#include "audio/soundplayer.h"

namespace {

QString recordText()
{
    return QStringLiteral("Record");
}

} // namespace

MicrophoneTest::MicrophoneTest(AudioBackend& backend, SoundPlayer& player, MicrophoneVolume* volume,
                               const QString& workingFolder)
    : m_backend(backend),
      m_player(player),
      m_volume(volume),
      m_path(workingFolder + QStringLiteral("temp.wav")),
      m_buttonText(recordText())
{}

MicrophoneTest::~MicrophoneTest()
{
    stopTestRecording();
}

std::optional<int> MicrophoneTest::open()
{
    stopTestRecording();
    return useVolume(m_volume);
}

std::optional<int> MicrophoneTest::useVolume(MicrophoneVolume* volume)
{
    m_volume = volume;
    m_sliderSet = false;
    m_savedVolume = -1;
    if (!m_volume)
        return std::nullopt;
    m_savedVolume = m_volume->getVolume();
    // An unreadable level leaves the slider unset, so that OK cannot silence the microphone.
    if (m_savedVolume < 0)
        return std::nullopt;
    const std::optional<int> position = microphonescale::volumeToSlider(m_savedVolume, m_volume->volumeMax());
    m_sliderSet = position.has_value();
    return position;
}

void MicrophoneTest::sliderReleased(int position)
{
    if (!m_volume)
        return;
    m_sliderSet = true;
    m_volume->setVolume(microphonescale::sliderToVolume(position, m_volume->volumeMax()));
}

void MicrophoneTest::playSample()
{
    m_player.playWav(playtestSample());
}

MicTestStep MicrophoneTest::record()
{
    if (m_recording)
        return {m_buttonText, 0, 0, {}};
    // The last test's playback would be heard in the new recording, and its file is rewritten now.
    m_player.purge();
    RecordingStart result;
    m_recording = RecordingSession::start(m_backend, m_path, result);
    if (!m_recording)
        return {m_buttonText, 0, 0, result.message};
    m_buttonText = QStringLiteral("Recording");
    MicTestStep step{m_buttonText, 1, 0, {}};
    // A playback timer still running would relabel the button during this recording.
    if (m_timer2Running) {
        step.stopTimer = 2;
        m_timer2Running = false;
    }
    return step;
}

MicTestStep MicrophoneTest::timer1()
{
    stopTestRecording();
    m_player.playFile(m_path);
    m_buttonText = QStringLiteral("Playing");
    m_timer2Running = true;
    return {m_buttonText, 2, 1, {}};
}

MicTestStep MicrophoneTest::timer2()
{
    m_timer2Running = false;
    if (!m_recording)
        m_buttonText = recordText();
    return {m_buttonText, 0, 2, {}};
}

void MicrophoneTest::ok(int sliderPosition)
{
    stopTestRecording();
    if (m_volume && m_sliderSet)
        m_volume->setVolume(microphonescale::sliderToVolume(sliderPosition, m_volume->volumeMax()));
    m_player.purge();
}

void MicrophoneTest::cancel()
{
    stopTestRecording();
    // An unreadable saved level (-1) lies outside the control's range and changes nothing.
    if (m_volume)
        m_volume->setVolume(m_savedVolume);
    m_player.purge();
}

void MicrophoneTest::stopTestRecording()
{
    if (!m_recording)
        return;
    m_recording->finish();
    m_recording.reset();
}
