#pragma once

#include "pulsetestenvironment.h"

#include <QMap>
#include <QString>
#include <QStringList>

//! Extra microphones on the test daemon: sine sources of their own names and frequencies.
//! Every one still loaded is unloaded when this goes (also after a failed test), and the
//! default source is put back, so that later tests see the usual daemon.
class ExtraSources
{
public:
    ExtraSources() : m_defaultSource(PulseTestEnvironment::pactl({"get-default-source"}).trimmed()) {}
    ~ExtraSources()
    {
        for (const QString& module : m_modules)
            PulseTestEnvironment::pactl({"unload-module", module});
        if (!m_defaultSource.isEmpty())
            PulseTestEnvironment::pactl({"set-default-source", m_defaultSource});
    }
    ExtraSources(const ExtraSources&) = delete;
    ExtraSources& operator=(const ExtraSources&) = delete;

    //! Plugs in a sine source; false when the daemon refused it.
    bool load(const QString& name, int frequency)
    {
        const QString module = PulseTestEnvironment::pactl({"load-module", "module-sine-source", "source_name=" + name,
                                                            QStringLiteral("frequency=%1").arg(frequency)})
                                   .trimmed();
        if (module.isEmpty())
            return false;
        m_modules.insert(name, module);
        return true;
    }

    //! Unplugs a source loaded here; true once the daemon no longer lists it.
    bool unplug(const QString& name)
    {
        if (!m_modules.contains(name))
            return false;
        PulseTestEnvironment::pactl({"unload-module", m_modules.take(name)});
        return sourceIndex(name).isEmpty();
    }

    //! The daemon's index of the source of that name; empty when it has none.
    static QString sourceIndex(const QString& name)
    {
        for (const QString& line : PulseTestEnvironment::pactl({"list", "short", "sources"}).split('\n')) {
            const QStringList fields = line.split('\t');
            if (fields.size() > 1 && fields[1] == name)
                return fields[0];
        }
        return {};
    }

private:
    QMap<QString, QString> m_modules;
    QString m_defaultSource;
};
