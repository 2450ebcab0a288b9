#include "uploadcheck.h"

#include "servicelimits.h"
#include "textrules.h"

#include <limits>

namespace {

using Result = std::variant<StoryDraft, UploadError>;

// A text part that must be present and be UTF-8.
const std::string* textPart(const FormCollector& form, const std::string& name)
{
    const FormPart* part = form.part(name);
    if (!part || !part->file.empty() || !textrules::isValidUtf8(part->text))
        return nullptr;
    return &part->text;
}

std::optional<std::int64_t> numberPart(const FormCollector& form, const std::string& name, std::int64_t min,
                                       std::int64_t max)
{
    const std::string* text = textPart(form, name);
    return text ? textrules::parseDecimal(*text, min, max) : std::nullopt;
}

// A file part with content of the right kind; empty files are refused like wrong ones.
const FormPart* filePart(const FormCollector& form, const std::string& name, bool (*looksRight)(std::string_view))
{
    const FormPart* part = form.part(name);
    if (!part || part->file.empty() || part->size == 0 || !looksRight(part->head))
        return nullptr;
    return part;
}

bool readSlide(const FormCollector& form, int i, DraftSlide& slide)
{
    const std::string n = std::to_string(i);
    const std::string* caption = textPart(form, "description" + n);
    const std::string* tags = textPart(form, "tag" + n);
    const FormPart* photo = filePart(form, "photo" + n, looksLikeJpeg);
    const FormPart* thumb = filePart(form, "thumb" + n, looksLikeJpeg);
    const FormPart* audio = filePart(form, "audio" + n, looksLikeMp3);
    const auto seconds = numberPart(form, "audiol" + n, 1, limits::SlideSeconds);
    if (!caption || !tags || !photo || !thumb || !audio || !seconds)
        return false;
    slide = DraftSlide{*caption, *tags, photo->file, thumb->file, audio->file, static_cast<int>(*seconds)};
    return true;
}

// Slide parts numbered at or beyond the slide count contradict it.
bool hasPartsBeyond(const FormCollector& form, int count)
{
    for (int i = count; i < limits::Slides; ++i) {
        const std::string n = std::to_string(i);
        for (const char* prefix : {"description", "tag", "photo", "thumb", "audio", "audiol"})
            if (form.part(prefix + n))
                return true;
    }
    return false;
}

std::optional<UploadError> readPictureStory(const FormCollector& form, int count, StoryDraft& draft)
{
    for (int i = 0; i < count; ++i) {
        DraftSlide slide;
        if (!readSlide(form, i, slide))
            return UploadError::BadData;
        draft.slides.push_back(std::move(slide));
    }
    return std::nullopt;
}

std::optional<UploadError> readPodcast(const FormCollector& form, StoryDraft& draft)
{
    const FormPart* audio = filePart(form, "audio0", looksLikeMp3);
    const auto seconds = numberPart(form, "audiol0", 1, limits::PodcastSeconds);
    const auto publish = numberPart(form, "publish_transcript", 0, 1);
    if (!audio || !seconds || !publish)
        return UploadError::BadData;
    if (*publish == 1) {
        const std::string* transcript = textPart(form, "transcript");
        if (!transcript)
            return UploadError::BadData;
        draft.transcript = *transcript;
    }
    // A podcast is one slide holding only the whole recording.
    draft.slides.push_back(DraftSlide{{}, {}, {}, {}, audio->file, static_cast<int>(*seconds)});
    return std::nullopt;
}

} // namespace

std::string errorWord(UploadError error)
{
    switch (error) {
    case UploadError::BadLogin:
        return "BADLOGIN";
    case UploadError::BadCode:
        return "BADCODE";
    case UploadError::BadData:
        return "BADDATA";
    case UploadError::TooBig:
        return "TOOBIG";
    case UploadError::NotOwner:
        return "NOTOWNER";
    case UploadError::OldVersion:
        return "OLDVERSION";
    case UploadError::ServerError:
        return "SERVERERROR";
    }
    return "SERVERERROR";
}

bool looksLikeJpeg(std::string_view head)
{
    return head.size() >= 3 && static_cast<unsigned char>(head[0]) == 0xFF &&
           static_cast<unsigned char>(head[1]) == 0xD8 && static_cast<unsigned char>(head[2]) == 0xFF;
}

bool looksLikeMp3(std::string_view head)
{
    if (head.starts_with("ID3"))
        return true;
    return head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0xFF &&
           (static_cast<unsigned char>(head[1]) & 0xE0) == 0xE0;
}

std::variant<StoryDraft, UploadError> readStoryDraft(const FormCollector& form, int verifiedSlides)
{
    constexpr std::int64_t IntMax = std::numeric_limits<std::int32_t>::max();
    StoryDraft draft;
    const auto type = numberPart(form, "pictorelle_type", 1, 2);
    const auto category = numberPart(form, "pictorelle_category", 1, IntMax);
    const auto id = numberPart(form, "pictorelle_id", -1, IntMax);
    const auto count = numberPart(form, "num_slides", 1, limits::Slides);
    const std::string* title = textPart(form, "pictorelle_title");
    const std::string* description = textPart(form, "pictorelle_description");
    const std::string* tags = textPart(form, "pictorelle_tags");
    const std::string* language = textPart(form, "pictorelle_language");
    if (!type || !category || !id || !count || !title || title->empty() || !description || !tags || !language)
        return UploadError::BadData;
    // The code was issued for this many slides ("1" for a podcast).
    if (*count != verifiedSlides || (*type == 2 && *count != 1) || hasPartsBeyond(form, static_cast<int>(*count)))
        return UploadError::BadData;
    draft.type = static_cast<int>(*type);
    draft.category = *category;
    draft.requestedId = *id;
    draft.title = *title;
    draft.description = *description;
    draft.tags = *tags;
    draft.language = *language;
    const auto error =
        draft.type == 1 ? readPictureStory(form, static_cast<int>(*count), draft) : readPodcast(form, draft);
    if (error)
        return *error;
    return draft;
}
