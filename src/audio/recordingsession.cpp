#include "audio/recordingsession.h"

#include "audio/audiobackend.h"
#include "audio/audioport.h"
#include "audio/waveerrors.h"
#include "audio/wavefilesink.h"
#include "audio/waveindevice.h"

#include <QFile>

#include <algorithm>

namespace {

constexpr quint32 SamplesPerSec = 22050;
constexpr quint16 BitsPerSample = 16;
constexpr quint16 Channels = 1;

//! Keeps an existing file aside while a new recording tries to start, so that a failed
//! start cannot leave a confirmed narration truncated to an empty wave.
class PreviousFile
{
public:
    explicit PreviousFile(const QString& path) : m_path(path), m_existed(QFile::exists(path))
    {
        if (!m_existed)
            return;
        const QString aside = path + QStringLiteral(".previous");
        QFile::remove(aside);
        if (QFile::rename(path, aside))
            m_aside = aside;
    }

    //! The new recording runs: the earlier file is no longer wanted.
    void drop()
    {
        if (!m_aside.isEmpty())
            QFile::remove(m_aside);
    }

    //! The new recording failed: remove what it made and put the earlier file back.
    void restore()
    {
        // A file that could not be moved aside is still the earlier one; leave it.
        if (!m_existed || !m_aside.isEmpty())
            QFile::remove(m_path);
        if (!m_aside.isEmpty())
            QFile::rename(m_aside, m_path);
    }

private:
    QString m_path;
    bool m_existed;
    QString m_aside;
};

} // namespace

QString recordingErrorText(RecordingError error, const QString& path)
{
    switch (error) {
    case RecordingError::FileNotCreated:
        return QStringLiteral("The recording file could not be created: %1").arg(path);
    case RecordingError::NoInput:
        return QStringLiteral(
            "No microphone was found. Check that a microphone is connected and selected in the sound settings.");
    case RecordingError::None:
    case RecordingError::Ignored:
        break;
    }
    return {};
}

QString missingMicrophoneText(const QString& label)
{
    return QStringLiteral("The microphone \"%1\" is not connected. Recording from the default microphone instead.")
        .arg(label);
}

QString microphoneDisconnectedText()
{
    return QStringLiteral("The microphone was disconnected. The narration recorded up to then is kept.");
}

std::unique_ptr<RecordingSession> RecordingSession::start(AudioBackend& backend, const QString& path,
                                                          RecordingStart& result, double maxSeconds)
{
    PreviousFile previous(path);
    const auto fail = [&](RecordingError error) {
        previous.restore();
        result = {error, recordingErrorText(error, path), {}};
        return std::unique_ptr<RecordingSession>();
    };

    std::unique_ptr<WaveFileSink> sink;
    try {
        sink = std::make_unique<WaveFileSink>(path, SamplesPerSec, BitsPerSample, Channels);
    } catch (const WaveErrors::FileOperation&) {
        return fail(RecordingError::FileNotCreated);
    }

    const quint32 byteLimit = maxSeconds > 0 ? quint32(std::min(maxSeconds, 24.0 * 3600) * BytesPerSecond) : 0;
    sink->setByteLimit(byteLimit);

    std::unique_ptr<AudioPort> port = backend.createInputPort();
    if (!port) {
        sink.reset();
        return fail(RecordingError::NoInput);
    }
    auto device = std::make_unique<WaveInDevice>(std::move(port));
    if (!device->attach(sink.get())) {
        // Nothing was captured; the device and the sink go before the file is restored.
        device->detach();
        device.reset();
        sink.reset();
        return fail(RecordingError::NoInput);
    }
    device->start();
    previous.drop();
    result = {};
    if (device->openedDefaultInstead())
        result.notice = missingMicrophoneText(backend.inputDeviceLabel());
    return std::unique_ptr<RecordingSession>(new RecordingSession(std::move(sink), std::move(device), byteLimit));
}

RecordingSession::RecordingSession(std::unique_ptr<WaveFileSink> sink, std::unique_ptr<WaveInDevice> device,
                                   quint32 byteLimit)
    : m_sink(std::move(sink)), m_device(std::move(device)), m_byteLimit(byteLimit)
{}

quint32 RecordingSession::recordedBytes() const
{
    return m_sink ? m_sink->byteCount() : m_finalBytes;
}

int RecordingSession::recordedSeconds() const
{
    return int((quint64(recordedBytes()) + BytesPerSecond - 1) / BytesPerSecond);
}

bool RecordingSession::reachedLimit() const
{
    return m_byteLimit != 0 && recordedBytes() >= m_byteLimit;
}

bool RecordingSession::audioArrived() const
{
    return recordedBytes() > 0 || firstSampleTime() >= 0;
}

qint64 RecordingSession::firstSampleTime() const
{
    return m_device ? m_device->firstSampleTime() : -1;
}

bool RecordingSession::inputLost() const
{
    return m_device && m_device->deviceLost();
}

RecordingSession::~RecordingSession()
{
    finish();
}

void RecordingSession::pause()
{
    if (m_device)
        m_device->pause();
}

void RecordingSession::resume()
{
    if (m_device)
        m_device->resume();
}

void RecordingSession::finish()
{
    if (!m_device)
        return;
    m_device->detach();
    m_sink->close();
    m_finalBytes = m_sink->byteCount();
    // The device goes first: it must not outlive the stream it was attached to.
    m_device.reset();
    m_sink.reset();
}
