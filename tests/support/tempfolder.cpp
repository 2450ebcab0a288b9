#include "tempfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TempFolder::TempFolder() : m_dir(QDir::tempPath() + "/pictorelle-test-XXXXXX")
{}

QString TempFolder::path() const
{
    return m_dir.path() + "/";
}

QString TempFolder::file(const QString& name) const
{
    return path() + name;
}

QString TempFolder::write(const QString& name, const QByteArray& bytes) const
{
    const QString full = file(name);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile f(full);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
    return full;
}

QByteArray TempFolder::read(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}
