#pragma once

#include "stagingfolder.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

//! What a stored media file holds.
enum class MediaKind {
    Picture,
    Thumbnail,
    Narration,
    Podcast
};

//! The media files under the data folder: "media/<story id>/r<revision>-<name>", named by the
//! service alone, and "incoming/<instance id>/" for uploads being checked. Client file names
//! never become paths. Several services may share the data folder.
class MediaStore
{
public:
    explicit MediaStore(std::filesystem::path dataFolder);

    //! Creates the folders, takes this service's staging folder and removes what services that
    //! died left in "incoming/"; call once before serving (not for --add-user).
    void prepare();
    //! A new empty staging folder inside this service's folder of "incoming/".
    StagingFolder stage() const;
    //! This service's id in "incoming/"; empty before prepare().
    std::string instanceId() const;
    //! File name of a story's media file: "r2-0.jpg", "r2-0_t.jpg", "r2-0.mp3", "r2-podcast.mp3".
    static std::string fileName(int revision, int slide, MediaKind kind);
    //! Moves a staged file into the story's folder under a name made by fileName(), its bytes
    //! on the disk first; one atomic rename, so readers see the whole file or none. Throws
    //! std::filesystem_error rather than replace a file of that name. Callers hold the
    //! story's row lock: the revision in the name makes them the only writer of it.
    void adopt(std::int64_t storyId, const std::filesystem::path& staged, const std::string& name) const;
    //! Makes the names adopt() gave lasting before the database commit refers to them.
    void syncStory(std::int64_t storyId) const;
    //! Removes one file of a story; quietly does nothing when it is gone.
    void remove(std::int64_t storyId, const std::string& name) const;
    //! Removes every file of the story that belongs to the given revision.
    void removeRevision(std::int64_t storyId, int revision) const;
    //! Removes the story's folder with every file in it; false when some of it stays.
    bool removeStory(std::int64_t storyId) const;
    //! The file a "/media/<id>/<name>" address names, when both parts have the service's own
    //! shape and the file exists; nothing for anything else (so no address leaves the folder).
    std::optional<std::filesystem::path> find(std::string_view storyId, std::string_view name) const;
    //! Content type for a name of the service's shape.
    static std::string contentType(std::string_view name);

private:
    std::filesystem::path m_media;
    std::filesystem::path m_incoming;
    std::unique_ptr<StagingArea> m_staging;
};
