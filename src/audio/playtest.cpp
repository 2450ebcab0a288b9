#include "audio/playtest.h"

#include <QFile>

// Outside any namespace, as Q_INIT_RESOURCE requires: a static library's resources are not
// registered unless something calls it.
static void registerSounds()
{
    Q_INIT_RESOURCE(sounds);
}

QByteArray playtestSample()
{
    static const bool registered = (registerSounds(), true);
    Q_UNUSED(registered);
    QFile file(QStringLiteral(":/sounds/playtest.wav"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}
