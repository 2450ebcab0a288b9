#include "mediastore.h"

#include <random>
#include <system_error>

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

std::string randomName()
{
    std::random_device source;
    std::uniform_int_distribution<int> hex(0, 15);
    std::string name;
    for (int i = 0; i < 16; ++i)
        name += "0123456789abcdef"[hex(source)];
    return name;
}

} // namespace

MediaStore::MediaStore(fs::path dataFolder) : m_media(dataFolder / "media"), m_incoming(dataFolder / "incoming")
{}

void MediaStore::prepare() const
{
    fs::create_directories(m_media);
    fs::remove_all(m_incoming);
    fs::create_directories(m_incoming);
}

StagingFolder MediaStore::stage() const
{
    for (;;) {
        fs::path folder = m_incoming / randomName();
        if (fs::create_directory(folder))
            return StagingFolder(std::move(folder));
    }
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
    // Staging and media share the data folder's file system, so this is one atomic rename.
    fs::rename(staged, folder / name);
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
