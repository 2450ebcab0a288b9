#include "stagingfolder.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view LockSuffix = ".lock";

std::string randomHex(int digits)
{
    std::random_device source;
    std::uniform_int_distribution<int> hex(0, 15);
    std::string name;
    for (int i = 0; i < digits; ++i)
        name += "0123456789abcdef"[hex(source)];
    return name;
}

bool sameFile(int fd, const fs::path& path)
{
    struct stat held
    {};
    struct stat named
    {};
    return ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
           held.st_ino == named.st_ino;
}

// The lock of a folder whose service is gone, taken; -1 while a live service holds it or
// when there is no such lock file (errno ENOENT).
int takeFreeLock(const fs::path& lockFile)
{
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !sameFile(fd, lockFile)) {
        ::close(fd);
        errno = EWOULDBLOCK;
        return -1;
    }
    return fd;
}

} // namespace

StagingFolder::StagingFolder(fs::path path) : m_path(std::move(path))
{}

StagingFolder::~StagingFolder()
{
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

StagingArea::StagingArea(const fs::path& incoming) : m_incoming(incoming)
{
    fs::create_directories(m_incoming);
    // The lock exists, held, before the folder does, and is unlinked only by whoever holds
    // it: a folder without its lock file, or with a free one, is a dead service's.
    for (;;) {
        m_id = randomHex(32);
        const fs::path lockFile = m_incoming / (m_id + std::string(LockSuffix));
        m_lock = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (m_lock < 0) {
            if (errno == EEXIST)
                continue;
            throw fs::filesystem_error("cannot make the staging lock", lockFile,
                                       std::error_code(errno, std::generic_category()));
        }
        // A service cleaning up at the same moment may have taken and unlinked the new file
        // before this flock; then it is no lock of ours and another id is tried.
        if (::flock(m_lock, LOCK_EX | LOCK_NB) == 0 && sameFile(m_lock, lockFile))
            break;
        ::close(m_lock);
        m_lock = -1;
    }
    m_folder = m_incoming / m_id;
    try {
        fs::create_directory(m_folder);
    } catch (...) {
        std::error_code ignored;
        fs::remove(m_incoming / (m_id + std::string(LockSuffix)), ignored);
        ::close(m_lock);
        throw;
    }
    removeAbandoned(m_incoming, m_id);
}

StagingArea::~StagingArea()
{
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
    fs::remove(m_incoming / (m_id + std::string(LockSuffix)), ignored);
    ::close(m_lock);
}

StagingFolder StagingArea::stage() const
{
    for (;;) {
        fs::path folder = m_folder / randomHex(16);
        if (fs::create_directory(folder))
            return StagingFolder(std::move(folder));
    }
}

void StagingArea::removeAbandoned(const fs::path& incoming, const std::string& keepId)
{
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(incoming, error)) {
        const fs::path path = entry.path();
        const std::string name = path.filename().string();
        if (name == keepId || name == keepId + std::string(LockSuffix))
            continue;
        std::error_code ignored;
        if (name.ends_with(LockSuffix)) {
            // A lock without its folder: a service that died before making it, or one that
            // is between the two steps right now (then its lock is held and it stays).
            const fs::path folder = incoming / name.substr(0, name.size() - LockSuffix.size());
            if (fs::exists(folder, ignored))
                continue;
            const int fd = takeFreeLock(path);
            if (fd >= 0) {
                fs::remove(path, ignored);
                ::close(fd);
            }
            continue;
        }
        if (!entry.is_directory(ignored)) {
            fs::remove(path, ignored);
            continue;
        }
        const fs::path lockFile = incoming / (name + std::string(LockSuffix));
        const int fd = takeFreeLock(lockFile);
        if (fd < 0 && errno != ENOENT)
            continue;
        // Also the random upload folders older services made directly in incoming.
        fs::remove_all(path, ignored);
        if (fd >= 0) {
            fs::remove(lockFile, ignored);
            ::close(fd);
        }
    }
}
