#include "mediastore.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool isDigits(std::string_view s)
{
    if (s.empty() || s.size() > 18)
        return false;
    for (const char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// "r<digits>-" then "<digits>.jpg", "<digits>_t.jpg", "<digits>.mp3" or "podcast.mp3".
bool isMediaName(std::string_view name)
{
    if (name.size() < 2 || name.front() != 'r')
        return false;
    const std::size_t dash = name.find('-');
    if (dash == std::string_view::npos || !isDigits(name.substr(1, dash - 1)))
        return false;
    std::string_view rest = name.substr(dash + 1);
    if (rest == "podcast.mp3")
        return true;
    for (const std::string_view suffix : {"_t.jpg", ".jpg", ".mp3"}) {
        if (rest.size() > suffix.size() && rest.substr(rest.size() - suffix.size()) == suffix)
            return isDigits(rest.substr(0, rest.size() - suffix.size()));
    }
    return false;
}

// fsync of a file or folder; throws so that the publication fails before its commit.
void syncPath(const fs::path& path, int flags)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
    if (fd < 0 || ::fsync(fd) != 0) {
        const std::error_code error(errno, std::generic_category());
        if (fd >= 0)
            ::close(fd);
        throw fs::filesystem_error("cannot write to the disk", path, error);
    }
    ::close(fd);
}

} // namespace

MediaStore::MediaStore(fs::path dataFolder) : m_media(dataFolder / "media"), m_incoming(dataFolder / "incoming")
{}

void MediaStore::prepare()
{
    fs::create_directories(m_media);
    // Never empties all of "incoming/": other services over this folder stage there too.
    m_staging = std::make_unique<StagingArea>(m_incoming);
}

StagingFolder MediaStore::stage() const
{
    if (!m_staging)
        throw std::logic_error("uploads staged before MediaStore::prepare()");
    return m_staging->stage();
}

std::string MediaStore::instanceId() const
{
    return m_staging ? m_staging->instanceId() : std::string();
}

std::string MediaStore::fileName(int revision, int slide, MediaKind kind)
{
    const std::string prefix = "r" + std::to_string(revision) + "-";
    switch (kind) {
    case MediaKind::Picture:
        return prefix + std::to_string(slide) + ".jpg";
    case MediaKind::Thumbnail:
        return prefix + std::to_string(slide) + "_t.jpg";
    case MediaKind::Narration:
        return prefix + std::to_string(slide) + ".mp3";
    case MediaKind::Podcast:
        return prefix + "podcast.mp3";
    }
    return {};
}

void MediaStore::adopt(std::int64_t storyId, const fs::path& staged, const std::string& name) const
{
    const fs::path folder = m_media / std::to_string(storyId);
    fs::create_directories(folder);
    syncPath(staged, 0);
    // Staging and media share the data folder's file system, so this is one atomic rename.
    // It never replaces a file: a name that exists belongs to a stored story, and taking it
    // would change that story's file under it.
    const fs::path target = folder / name;
    if (::renameat2(AT_FDCWD, staged.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return;
    if (errno != EINVAL && errno != ENOSYS)
        throw fs::filesystem_error("cannot store", staged, target, std::error_code(errno, std::generic_category()));
    // File systems without that rename (NFS among them): a new link fails just the same when
    // the name exists.
    if (::link(staged.c_str(), target.c_str()) != 0)
        throw fs::filesystem_error("cannot store", staged, target, std::error_code(errno, std::generic_category()));
    std::error_code ignored;
    fs::remove(staged, ignored);
}

void MediaStore::syncStory(std::int64_t storyId) const
{
    syncPath(m_media / std::to_string(storyId), O_DIRECTORY);
    // A new story's folder is itself a new name in "media/".
    syncPath(m_media, O_DIRECTORY);
}

void MediaStore::remove(std::int64_t storyId, const std::string& name) const
{
    std::error_code ignored;
    fs::remove(m_media / std::to_string(storyId) / name, ignored);
}

void MediaStore::removeRevision(std::int64_t storyId, int revision) const
{
    const std::string prefix = "r" + std::to_string(revision) + "-";
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(m_media / std::to_string(storyId), error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(prefix)) {
            std::error_code ignored;
            fs::remove(entry.path(), ignored);
        }
    }
}

bool MediaStore::removeStory(std::int64_t storyId) const
{
    std::error_code error;
    fs::remove_all(m_media / std::to_string(storyId), error);
    return !error;
}

std::optional<fs::path> MediaStore::find(std::string_view storyId, std::string_view name) const
{
    if (!isDigits(storyId) || !isMediaName(name))
        return std::nullopt;
    fs::path file = m_media / std::string(storyId) / std::string(name);
    std::error_code error;
    if (!fs::is_regular_file(fs::symlink_status(file, error)))
        return std::nullopt;
    return file;
}

std::string MediaStore::contentType(std::string_view name)
{
    return name.ends_with(".mp3") ? "audio/mpeg" : "image/jpeg";
}
