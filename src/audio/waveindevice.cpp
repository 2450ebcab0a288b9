#include "audio/waveindevice.h"

#include <algorithm>

WaveInDevice::WaveInDevice(std::unique_ptr<AudioPort> port) : WaveDevice(std::move(port))
{}

WaveInDevice::~WaveInDevice()
{
    shutDown();
}

void WaveInDevice::prepareBuffer(WaveBuffer& buffer)
{
    char* data = buffer.data;
    buffer = WaveBuffer{};
    buffer.data = data;
    buffer.length = bufferSize();
}

void WaveInDevice::finishBuffer(WaveBuffer& buffer)
{
    if (stream())
        stream()->write(buffer.data, std::min(buffer.bytesRecorded, buffer.length));
    buffer.prepared = false;
}
