#include "audio/waveoutdevice.h"

WaveOutDevice::WaveOutDevice(std::unique_ptr<AudioPort> port) : WaveDevice(std::move(port))
{}

WaveOutDevice::~WaveOutDevice()
{
    shutDown();
}

bool WaveOutDevice::isDrained() const
{
    return !stream() || (ranDry() && freeCount() == BufferCount);
}

void WaveOutDevice::prepareBuffer(WaveBuffer& buffer)
{
    char* data = buffer.data;
    buffer = WaveBuffer{};
    buffer.data = data;
    buffer.length = bufferSize();
    if (stream())
        stream()->read(buffer.data, buffer.length);
}

void WaveOutDevice::finishBuffer(WaveBuffer& buffer)
{
    buffer.prepared = false;
}
