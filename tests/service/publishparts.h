#pragma once

#include <httplib.h>

#include <optional>
#include <string>
#include <vector>

//! Bytes that pass the service's JPEG check ("FF D8 FF"), different for each tag.
std::string jpegBytes(const std::string& tag);
//! Bytes that pass the service's MP3 check (a frame sync), different for each tag.
std::string mp3Bytes(const std::string& tag);
//! What the program sends as "cpassword": MD5 of the UTF-8 bytes, lower-case hex.
std::string md5Hex(const std::string& utf8);

//! One slide's parts as the desktop program sends them.
struct SlideParts
{
    std::string caption;
    std::string tags;
    std::string photo;
    std::string thumb;
    std::string audio;
    std::string seconds = "5";
};

//! A story's upload parts; text values are UTF-8 as the program converts them.
struct StoryParts
{
    std::string title = "Trip";
    std::string description = "Day one\r\nDay two";
    std::string tags = "sea, sun";
    std::string category = "2060200";
    std::string type = "1";
    std::string id = "-1";
    std::string language = "English";
    std::vector<SlideParts> slides;
    //! Podcast only: the recording, its seconds and the transcript when it is published.
    std::string podcastAudio;
    std::string podcastSeconds = "300";
    std::optional<std::string> transcript;

    //! A picture story of count slides whose texts and files all carry tag.
    static StoryParts picture(int count, const std::string& tag);
    static StoryParts podcast(const std::optional<std::string>& transcript, const std::string& tag);
    //! The value sent as "num_slides" and in the verify request.
    std::string numSlides() const;
};

//! The verify request's parts in the program's order; numSlides absent for other story types.
httplib::MultipartFormDataItems verifyParts(const std::string& user, const std::string& digest,
                                            const std::optional<std::string>& numSlides,
                                            const std::string& version = "1.0");

//! The upload request's parts in the program's order: ten common parts, then per slide
//! description, tag, photo, thumb, audio, audiol; or the podcast's parts.
httplib::MultipartFormDataItems uploadParts(const std::string& user, const std::string& code, const StoryParts& story);

//! Drops the part with that name (to send a request missing it).
httplib::MultipartFormDataItems without(httplib::MultipartFormDataItems parts, const std::string& name);
//! Replaces the content of the part with that name.
httplib::MultipartFormDataItems with(httplib::MultipartFormDataItems parts, const std::string& name,
                                     const std::string& content);
