#pragma once

#include "stagingfolder.h"

#include <cstdint>
#include <filesystem>
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
//! service alone, and "incoming/" for uploads being checked. Client file names never become paths.
class MediaStore
{
public:
    explicit MediaStore(std::filesystem::path dataFolder);

    //! Creates the folders and removes what interrupted uploads left in "incoming/".
    void prepare() const;
    //! A new empty staging folder inside "incoming/".
    StagingFolder stage() const;
    //! File name of a story's media file: "r2-0.jpg", "r2-0_t.jpg", "r2-0.mp3", "r2-podcast.mp3".
    static std::string fileName(int revision, int slide, MediaKind kind);
    //! Moves a staged file into the story's folder under a name made by fileName().
    void adopt(std::int64_t storyId, const std::filesystem::path& staged, const std::string& name) const;
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
};
