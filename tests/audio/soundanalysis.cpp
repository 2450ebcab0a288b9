#include "soundanalysis.h"

#include <QtEndian>

#include <algorithm>
#include <cstdlib>

double crossingsPerSecond(const QByteArray& samples)
{
    const qsizetype count = samples.size() / 2;
    if (count < 2)
        return 0;
    int crossings = 0;
    bool wasNegative = qFromLittleEndian<qint16>(samples.constData()) < 0;
    for (qsizetype i = 1; i < count; ++i) {
        const bool negative = qFromLittleEndian<qint16>(samples.constData() + 2 * i) < 0;
        crossings += negative != wasNegative;
        wasNegative = negative;
    }
    return crossings * 22050.0 / double(count);
}

int peakLevel(const QByteArray& samples)
{
    int peak = 0;
    for (qsizetype i = 0; i + 1 < samples.size(); i += 2)
        peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(samples.constData() + i))));
    return peak;
}
