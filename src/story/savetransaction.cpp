#include "story/savetransaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const QString PartSuffix = QStringLiteral(".part");
const QString GoneSuffix = QStringLiteral(".gone");
constexpr qint64 CopyChunk = 1 << 20;

//! The files a save stages beside the media it replaces or removes.
bool isStagedName(const QString& name)
{
    static const QRegularExpression staged(QStringLiteral("^[0-9]+\\.(jpg|wav)\\.(part|gone)$"));
    return staged.match(name).hasMatch();
}

QString systemReason(int error)
{
    return QString::fromStdString(std::generic_category().message(error));
}

//! Replaces to by from in one step. A source already gone was moved by another finisher of
//! the same save: not a failure when the target is there.
bool moveInPlace(const QString& from, const QString& to)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    return errno == ENOENT && QFileInfo::exists(to);
}

//! Applies what the staged files of folder say: parts replace their media, marks remove theirs.
bool applyStaged(const QString& folder, const QStringList& names)
{
    bool ok = true;
    QDir dir(folder);
    for (const QString& name : names) {
        if (name.endsWith(GoneSuffix)) {
            dir.remove(name.chopped(GoneSuffix.size()));
            dir.remove(name);
        }
    }
    for (const QString& name : names) {
        if (name.endsWith(PartSuffix))
            ok = moveInPlace(dir.filePath(name), dir.filePath(name.chopped(PartSuffix.size()))) && ok;
    }
    return ok;
}

QStringList stagedIn(const QString& folder)
{
    QStringList names;
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : files)
        if (isStagedName(name))
            names << name;
    return names;
}

//! Finishes the save of storyFile cut short after its ".next" was written; the caller holds
//! the folder's lock.
bool finishLocked(const QString& storyFile)
{
    const QString next = storyFile + SaveTransaction::nextSuffix();
    if (!QFileInfo(next).isFile())
        return true;
    const QString folder = QFileInfo(storyFile).absolutePath();
    const bool placed = applyStaged(folder, stagedIn(folder));
    return moveInPlace(next, storyFile) && placed;
}

//! The folder's lock, held by one save (or one finisher) at a time, also across programs;
//! the system drops it when its holder ends, however it ends. -1 when the folder cannot be
//! opened.
int lockFolder(const QString& folder, bool wait)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    int locked = 0;
    do
        locked = ::flock(fd, wait ? LOCK_EX : LOCK_EX | LOCK_NB);
    while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

QString SaveTransaction::nextSuffix()
{
    return QStringLiteral(".next");
}

SaveTransaction::SaveTransaction(const QString& storyFile)
    : m_storyFile(storyFile), m_folder(QFileInfo(storyFile).absolutePath()), m_lock(lockFolder(m_folder, true))
{
    // Whatever an earlier save left half done is finished (it counted) or cleared (it did not).
    finishLocked(m_storyFile);
    discardLeftovers(m_folder);
}

SaveTransaction::~SaveTransaction()
{
    if (!m_committed)
        discard();
    if (m_lock >= 0)
        ::close(m_lock);
}

bool SaveTransaction::stageCopy(const QString& from, const QString& to)
{
    const QString part = to + PartSuffix;
    Q_ASSERT(QFileInfo(part).absolutePath() == m_folder && isStagedName(QFileInfo(part).fileName()));
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("Could not read %1: %2.").arg(QDir::toNativeSeparators(from), source.errorString());
        return false;
    }
    QFile copy(part);
    if (!copy.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        m_error = QStringLiteral("Could not write %1: %2.").arg(QDir::toNativeSeparators(to), copy.errorString());
        return false;
    }
    m_staged << part;
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(CopyChunk);
        if (chunk.isEmpty() && source.error() != QFileDevice::NoError) {
            m_error =
                QStringLiteral("Could not read %1: %2.").arg(QDir::toNativeSeparators(from), source.errorString());
            return false;
        }
        if (chunk.isEmpty())
            break;
        // A short write says nothing; the write of the rest names the reason (a full disk).
        for (qint64 done = 0; done < chunk.size();) {
            const qint64 written = copy.write(chunk.constData() + done, chunk.size() - done);
            if (written <= 0) {
                m_error =
                    QStringLiteral("Could not write %1: %2.").arg(QDir::toNativeSeparators(to), copy.errorString());
                return false;
            }
            done += written;
        }
    }
    copy.close();
    return true;
}

bool SaveTransaction::stageRemoval(const QString& path)
{
    if (!QFileInfo::exists(path))
        return true;
    const QString mark = path + GoneSuffix;
    QFile file(mark);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_error = QStringLiteral("Could not write %1: %2.").arg(QDir::toNativeSeparators(mark), file.errorString());
        return false;
    }
    m_staged << mark;
    return true;
}

bool SaveTransaction::commit(const QByteArray& storyFileBytes)
{
    // Something other than a file where the story file goes could not be replaced at the end.
    const QFileInfo target(m_storyFile);
    if (target.exists() && !target.isFile()) {
        m_error = QStringLiteral("Could not write %1: something other than a file is in its place.")
                      .arg(QDir::toNativeSeparators(m_storyFile));
        return false;
    }
    QSaveFile next(m_storyFile + nextSuffix());
    if (!next.open(QIODevice::WriteOnly) || next.write(storyFileBytes) != storyFileBytes.size() || !next.commit()) {
        m_error =
            QStringLiteral("Could not write %1: %2.").arg(QDir::toNativeSeparators(m_storyFile), next.errorString());
        next.cancelWriting();
        return false;
    }
    m_committed = true;
    QStringList names;
    for (const QString& staged : std::as_const(m_staged))
        names << QFileInfo(staged).fileName();
    if (!applyStaged(m_folder, names) || !moveInPlace(m_storyFile + nextSuffix(), m_storyFile)) {
        const int reason = errno;
        m_error = QStringLiteral("The files in %1 could not all be put in place (%2); the next save or "
                                 "load of the story finishes them.")
                      .arg(QDir::toNativeSeparators(m_folder), systemReason(reason));
        return false;
    }
    return true;
}

bool SaveTransaction::finishInterrupted(const QString& storyFile)
{
    if (!QFileInfo(storyFile + nextSuffix()).isFile())
        return true;
    // A save running now (in this program or another) finishes its own work.
    const int lock = lockFolder(QFileInfo(storyFile).absolutePath(), false);
    if (lock < 0)
        return true;
    const bool finished = finishLocked(storyFile);
    ::close(lock);
    return finished;
}

void SaveTransaction::finishInterruptedIn(const QString& folder)
{
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.sld") + nextSuffix()}, QDir::Files);
    for (const QString& name : files)
        finishInterrupted(QDir(folder).filePath(name.chopped(nextSuffix().size())));
}

void SaveTransaction::discardLeftovers(const QString& folder)
{
    QDir dir(folder);
    const QStringList names = stagedIn(folder);
    for (const QString& name : names)
        dir.remove(name);
}

void SaveTransaction::discard()
{
    for (const QString& staged : std::as_const(m_staged))
        QFile::remove(staged);
    m_staged.clear();
}
