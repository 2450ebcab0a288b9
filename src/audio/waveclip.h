#pragma once

#include <QByteArray>
#include <QString>

#include <array>

//! A whole wave file held in memory: read, joined with another clip, written back.
//! A value type: copies own their samples and extra-format bytes.
class WaveClip
{
public:
    //! Fact size of a clip without a "fact" chunk.
    static constexpr quint32 noFact = 0xFFFFFFFF;

    //! No data, no "fact" chunk, no extra bytes, zeroed headers.
    WaveClip() = default;
    //! Reads the file. Throws WaveErrors::ClipUnreadable when it cannot be opened or ends
    //! before its headers, extra bytes or data do; never allocates more than the file holds.
    explicit WaveClip(const QString& path);

    //! This clip's samples followed by other's, with other's format, extra bytes and RIFF form,
    //! no "fact" chunk, named "output.wav". Throws std::runtime_error when the format tags differ.
    WaveClip concatenate(const WaveClip& other) const;

    void setFileName(const QString& path) { m_fileName = path; }
    QString fileName() const { return m_fileName; }
    //! Writes the clip to its file name, replacing any file there. False when it cannot be
    //! created or fully written (a partly written file is left behind).
    bool save() const;

    quint16 formatTag() const;
    quint16 channels() const;
    quint32 samplesPerSecond() const;
    quint16 bitsPerSample() const;
    //! RIFF size as held in the RIFF header.
    quint32 riffSize() const;
    quint32 dataSize() const { return static_cast<quint32>(m_samples.size()); }
    const QByteArray& samples() const { return m_samples; }
    //! noFact when the clip has no "fact" chunk.
    quint32 factSize() const { return m_factSize; }
    quint32 factSampleCount() const { return m_factSampleCount; }
    quint16 extraCount() const { return static_cast<quint16>(m_extraBytes.size()); }
    const QByteArray& extraBytes() const { return m_extraBytes; }

private:
    std::array<char, 12> m_riffHeader{};
    std::array<char, 24> m_fmtHeader{};
    quint32 m_factSize = noFact;
    quint32 m_factSampleCount = 0;
    std::array<char, 4> m_dataId{};
    QString m_fileName;
    QByteArray m_extraBytes;
    QByteArray m_samples;
};
