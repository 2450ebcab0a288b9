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

//! Stories and slides, over one request's connection.
class StoryStore
{
public:
    StoryStore(SqlConnection& connection, const MediaStore& media);

    //! Stores a checked upload of the user as a new story, or in place of the user's own story
    //! when requestedId names one: same id, new files, the old files removed afterwards.
    //! Waits for other writers; a failure leaves both the database and the folder as they were.
    PublishResult publish(std::int64_t userId, const StoryDraft& draft);
    //! Every story, latest publication first, without slides.
    std::vector<StoryRecord> list();
    std::optional<StoryRecord> find(std::int64_t id);

private:
    SqlConnection& m_connection;
    const MediaStore& m_media;
};
