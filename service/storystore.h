#pragma once

#include "mediastore.h"
#include "sqlconnection.h"
#include "storydraft.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

//! One stored slide; media names are files of the story's folder ("r1-0.jpg"), empty when absent.
struct SlideRecord
{
    std::string caption;
    std::string tags;
    std::string photo;
    std::string thumb;
    std::string audio;
    int seconds = 0;
};

//! A published story as the pages show it.
struct StoryRecord
{
    std::int64_t id = 0;
    std::string owner;
    std::int64_t ownerId = 0;
    int type = 1;
    std::string title;
    std::string description;
    std::string tags;
    std::int64_t category = 0;
    std::string language;
    std::optional<std::string> transcript;
    //! Unix seconds of the latest publication.
    std::int64_t published = 0;
    int slideCount = 0;
    int totalSeconds = 0;
    //! Filled by find(), empty in list().
    std::vector<SlideRecord> slides;
};

//! Result of storing an upload.
struct PublishResult
{
    //! The story's id; 0 when the requested id belongs to someone else.
    std::int64_t id = 0;
    bool notOwner = false;
};

//! One page of a longer list of stories.
struct StoryPage
{
    std::vector<StoryRecord> stories;
    //! Stories in the whole list.
    std::int64_t total = 0;
};

//! Where a search looks.
enum class SearchField {
    TitleOrTags,
    Title,
    Tags
};

//! Outcome of deleting a story.
enum class RemoveResult {
    Removed,
    NotFound,
    NotOwner
};

//! Stories and slides, over one request's connection.
class StoryStore
{
public:
    StoryStore(SqlConnection& connection, const MediaStore& media);

    //! Stores a checked upload of the user as a new story, or in place of the user's own story
    //! when requestedId names one: same id, new files, the old files removed afterwards.
    //! Waits for other writers; a failure leaves both the database and the folder as they were.
    PublishResult publish(std::int64_t userId, const StoryDraft& draft);
    //! The stories, latest publication first, without slides: at most limit of them from
    //! offset on.
    StoryPage list(std::int64_t offset, int limit);
    std::optional<StoryRecord> find(std::int64_t id);
    //! The user's stories, latest publication first, without slides.
    std::vector<StoryRecord> listOwnedBy(std::int64_t userId);
    //! For every category holding stories: its id and how many it holds itself, by id.
    std::vector<std::pair<std::int64_t, std::int64_t>> categoryCounts();
    //! The stories with a category from first to last, latest publication first, at most
    //! limit of them from offset on.
    StoryPage listInCategories(std::int64_t first, std::int64_t last, std::int64_t offset, int limit);
    //! The stories whose title or tags (the story's or a slide's, as field says) contain words,
    //! ignoring case, latest publication first, at most limit of them from offset on. '%' and
    //! '_' in words are plain characters.
    StoryPage search(const std::string& words, SearchField field, std::int64_t offset, int limit);
    //! Deletes the user's story with its slides and then its media folder; someone else's
    //! story stays as it is.
    RemoveResult remove(std::int64_t userId, std::int64_t id);

private:
    SqlConnection& m_connection;
    const MediaStore& m_media;
};
