#pragma once

#include <QString>

//! The reference service's address when nothing else is configured.
inline const QString kDefaultServiceBase = QStringLiteral("http://127.0.0.1:8642");

//! The service's base address: the option when given, else $PICTORELLE_SERVICE, else the
//! default; never with a trailing "/".
inline QString serviceBaseAddress(const QString& option = QString())
{
    QString base = !option.isEmpty() ? option : qEnvironmentVariable("PICTORELLE_SERVICE");
    if (base.isEmpty())
        base = kDefaultServiceBase;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}
