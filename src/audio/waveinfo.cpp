#include "audio/waveinfo.h"

#include "audio/waveerrors.h"
#include "audio/wavefilesource.h"

#include <QFileInfo>

namespace {

constexpr quint32 narrationBytesPerSecond = 44100;

std::optional<WaveFileInfo> readHeaders(const QString& path)
{
    WaveFileSource source(path);
    WaveFileInfo info;
    source.getFormat(info.samplesPerSecond, info.bitsPerSample, info.channels);
    info.formatTag = source.formatTag();
    info.dataSize = source.dataSize();
    info.dataOffset = source.dataStart();
    if (info.dataOffset + info.dataSize > QFileInfo(path).size())
        return std::nullopt;
    return info;
}

} // namespace

std::optional<WaveFileInfo> probeWaveFile(const QString& path)
{
    try {
        return readHeaders(path);
    } catch (const WaveErrors::FileOperation&) {
    } catch (const WaveErrors::RiffDoesntMatch&) {
    } catch (const WaveErrors::WaveDoesntMatch&) {
    } catch (const WaveErrors::FmtDoesntMatch&) {
    } catch (const WaveErrors::DataDoesntMatch&) {}
    return std::nullopt;
}

bool isNarrationFormat(const WaveFileInfo& info)
{
    return info.formatTag == 1 && info.samplesPerSecond == 22050 && info.bitsPerSample == 16 && info.channels == 1;
}

int narrationSeconds(quint32 dataSize)
{
    return static_cast<int>((quint64(dataSize) + narrationBytesPerSecond - 1) / narrationBytesPerSecond);
}
