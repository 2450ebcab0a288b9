#include "shell/workingfolderclaim.h"

#include <QDir>
#include <QLockFile>

namespace {

// Enough for every program one author could have running on one folder.
constexpr int MostFolders = 16;

//! Locks folder's lock file without waiting; a lock of a program that no longer runs is
//! stale and taken over, a lock however old of a running one never.
std::unique_ptr<QLockFile> tryLock(const QString& lockPath)
{
    auto lock = std::make_unique<QLockFile>(lockPath);
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

} // namespace

WorkingFolderClaim::WorkingFolderClaim() = default;
WorkingFolderClaim::WorkingFolderClaim(WorkingFolderClaim&&) noexcept = default;

WorkingFolderClaim& WorkingFolderClaim::operator=(WorkingFolderClaim&& other) noexcept
{
    if (this != &other) {
        release();
        m_path = std::move(other.m_path);
        m_lock = std::move(other.m_lock);
        other.m_path.clear();
    }
    return *this;
}

WorkingFolderClaim::~WorkingFolderClaim()
{
    release();
}

void WorkingFolderClaim::release()
{
    if (!m_lock)
        return;
    m_lock->unlock();
    m_lock.reset();
    m_path.clear();
}

WorkingFolderClaim WorkingFolderClaim::claim(const QString& programFolder, Use use)
{
    WorkingFolderClaim claim;
    if (!QDir().mkpath(programFolder))
        return claim;
    const QString base = use == Use::Desktop ? QStringLiteral("temp") : QStringLiteral("temp-cli");
    for (int n = 1; n <= MostFolders; ++n) {
        const QString path = programFolder + (n == 1 ? base : base + QStringLiteral("-%1").arg(n));
        auto lock = tryLock(path + QStringLiteral(".lock"));
        if (!lock || !QDir().mkpath(path))
            continue;
        claim.m_path = path + QLatin1Char('/');
        claim.m_lock = std::move(lock);
        return claim;
    }
    return claim;
}
