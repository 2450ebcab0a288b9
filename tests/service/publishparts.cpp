#include "publishparts.h"

#include <QByteArray>
#include <QCryptographicHash>

#include <algorithm>

std::string jpegBytes(const std::string& tag)
{
    return std::string("\xFF\xD8\xFF\xE0", 4) + "JFIF picture " + tag + std::string("\xFF\xD9", 2);
}

std::string mp3Bytes(const std::string& tag)
{
    return std::string("\xFF\xF3\x44\xC4", 4) + "narration " + tag;
}

std::string md5Hex(const std::string& utf8)
{
    const QByteArray bytes(utf8.data(), static_cast<qsizetype>(utf8.size()));
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().toStdString();
}

StoryParts StoryParts::picture(int count, const std::string& tag)
{
    StoryParts story;
    story.title = "Story " + tag;
    for (int i = 0; i < count; ++i) {
        const std::string n = tag + "/" + std::to_string(i);
        story.slides.push_back(SlideParts{"Caption " + n, "tags " + n, jpegBytes("photo " + n), jpegBytes("thumb " + n),
                                          mp3Bytes(n), std::to_string(5 + i)});
    }
    return story;
}

StoryParts StoryParts::podcast(const std::optional<std::string>& transcript, const std::string& tag)
{
    StoryParts story;
    story.title = "Podcast " + tag;
    story.type = "2";
    story.podcastAudio = mp3Bytes("podcast " + tag);
    story.transcript = transcript;
    return story;
}

std::string StoryParts::numSlides() const
{
    return type == "2" ? "1" : std::to_string(slides.size());
}

httplib::MultipartFormDataItems verifyParts(const std::string& user, const std::string& digest,
                                            const std::optional<std::string>& numSlides, const std::string& version)
{
    httplib::MultipartFormDataItems parts{{"version", version, "", ""}};
    if (numSlides)
        parts.push_back({"num_slides", *numSlides, "", ""});
    parts.push_back({"cusername", user, "", ""});
    parts.push_back({"cpassword", digest, "", ""});
    return parts;
}

httplib::MultipartFormDataItems uploadParts(const std::string& user, const std::string& code, const StoryParts& story)
{
    httplib::MultipartFormDataItems parts{
        {"version", "1.0", "", ""},
        {"cusername", user, "", ""},
        {"verify_code", code, "", ""},
        {"pictorelle_category", story.category, "", ""},
        {"pictorelle_description", story.description, "", ""},
        {"pictorelle_title", story.title, "", ""},
        {"pictorelle_tags", story.tags, "", ""},
        {"pictorelle_type", story.type, "", ""},
        {"pictorelle_id", story.id, "", ""},
        {"pictorelle_language", story.language, "", ""},
        {"num_slides", story.numSlides(), "", ""},
    };
    if (story.type == "2") {
        // The program's working-folder names travel as the parts' file names.
        parts.push_back({"audio0", story.podcastAudio, "podcast.mp3", "audio/x-mp3"});
        parts.push_back({"audiol0", story.podcastSeconds, "", ""});
        parts.push_back({"publish_transcript", story.transcript ? "1" : "0", "", ""});
        if (story.transcript)
            parts.push_back({"transcript", *story.transcript, "", ""});
        return parts;
    }
    for (std::size_t i = 0; i < story.slides.size(); ++i) {
        const SlideParts& s = story.slides[i];
        const std::string n = std::to_string(i);
        const std::string file = std::to_string(1000 + i);
        parts.push_back({"description" + n, s.caption, "", ""});
        parts.push_back({"tag" + n, s.tags, "", ""});
        parts.push_back({"photo" + n, s.photo, file + ".jpg", "image/jpeg"});
        parts.push_back({"thumb" + n, s.thumb, file + "_t.jpg", "image/jpeg"});
        parts.push_back({"audio" + n, s.audio, file + ".mp3", "audio/x-mp3"});
        parts.push_back({"audiol" + n, s.seconds, "", ""});
    }
    return parts;
}

httplib::MultipartFormDataItems without(httplib::MultipartFormDataItems parts, const std::string& name)
{
    std::erase_if(parts, [&](const httplib::MultipartFormData& p) { return p.name == name; });
    return parts;
}

httplib::MultipartFormDataItems with(httplib::MultipartFormDataItems parts, const std::string& name,
                                     const std::string& content)
{
    for (httplib::MultipartFormData& p : parts)
        if (p.name == name)
            p.content = content;
    return parts;
}
