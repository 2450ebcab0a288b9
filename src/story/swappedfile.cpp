#include "story/swappedfile.h"

#include <QFile>
#include <QFileInfo>

#include <atomic>

namespace {

//! A name beside path that no file has, unique in this process.
QString freshKeptName(const QString& path)
{
    static std::atomic<int> serial{0};
    const QFileInfo info(path);
    const QString stem = info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral("-kept");
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    QString name;
    do
        name = stem + QString::number(++serial) + suffix;
    while (QFileInfo::exists(name));
    return name;
}

} // namespace

SwappedFile::SwappedFile(QString path) : m_path(std::move(path))
{}

void SwappedFile::moveAside(QString& name)
{
    if (m_path.isEmpty() || !QFileInfo::exists(m_path))
        return;
    if (name.isEmpty())
        name = freshKeptName(m_path);
    QFile::remove(name);
    QFile::rename(m_path, name);
}

void SwappedFile::moveBack(const QString& name)
{
    // The version in place has been moved aside already (or was none).
    if (name.isEmpty() || !QFileInfo::exists(name))
        return;
    QFile::remove(m_path);
    QFile::rename(name, m_path);
}

void SwappedFile::keepBefore()
{
    moveAside(m_before);
}

void SwappedFile::toBefore()
{
    moveAside(m_after);
    moveBack(m_before);
}

void SwappedFile::toAfter()
{
    moveAside(m_before);
    moveBack(m_after);
}

void SwappedFile::restoreBefore()
{
    if (m_before.isEmpty() || !QFileInfo::exists(m_before))
        return;
    QFile::remove(m_path);
    QFile::rename(m_before, m_path);
}

void SwappedFile::dropBefore()
{
    if (!m_before.isEmpty())
        QFile::remove(m_before);
}

void SwappedFile::dropAfter()
{
    if (!m_after.isEmpty())
        QFile::remove(m_after);
}
