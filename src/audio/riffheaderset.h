#pragma once

#include <QtGlobal>

#include <array>
#include <cstdio>
#include <memory>

//! The three on-disk headers that the wave file source and sink read and write:
//! RIFF (12 bytes), fmt (24 bytes) and data (8 bytes), little-endian as in the file.
class RiffHeaderSet
{
public:
    RiffHeaderSet(const RiffHeaderSet&) = delete;
    RiffHeaderSet& operator=(const RiffHeaderSet&) = delete;
    virtual ~RiffHeaderSet() = default;

    //! Closes the file; calling it again does nothing.
    virtual void close() = 0;

    //! From the fmt header; 1 is PCM.
    quint16 formatTag() const;
    //! Sample bytes as the data header states them.
    quint32 dataSize() const;

protected:
    //! Closes a file handle that goes out of scope, also when a constructor throws.
    struct FileCloser
    {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    using File = std::unique_ptr<std::FILE, FileCloser>;

    RiffHeaderSet() = default;

    //! Samples per second, bits per sample and channels from the fmt header.
    void formatFromHeader(quint32& samplesPerSec, quint16& bitsPerSample, quint16& channels) const;
    //! Fills all three headers for a PCM file with the given RIFF and data sizes.
    void fillPcmHeaders(quint32 samplesPerSec, quint16 bitsPerSample, quint16 channels, quint32 riffSize,
                        quint32 dataSize);
    quint32 riffSize() const;
    void setSizes(quint32 riffSize, quint32 dataSize);

    std::array<char, 12> m_riffHeader{};
    std::array<char, 24> m_fmtHeader{};
    std::array<char, 8> m_dataHeader{};
};
