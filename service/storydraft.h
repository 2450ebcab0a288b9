#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

//! One slide of a checked upload; its files still lie in the staging folder.
struct DraftSlide
{
    std::string caption;
    std::string tags;
    //! Empty for a podcast.
    std::filesystem::path photo;
    std::filesystem::path thumb;
    std::filesystem::path audio;
    int seconds = 0;
};

//! A checked upload, ready to be stored.
struct StoryDraft
{
    //! 1 picture story, 2 podcast.
    int type = 1;
    std::string title;
    std::string description;
    std::string tags;
    std::string language;
    std::int64_t category = 0;
    //! The "pictorelle_id" sent: −1 (or any id not stored) for a new story.
    std::int64_t requestedId = -1;
    //! Present only when the podcast's transcript is to be published.
    std::optional<std::string> transcript;
    std::vector<DraftSlide> slides;
};
