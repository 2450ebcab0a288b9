#include "publish/uploadform.h"

#include "shell/useraccount.h"
#include "story/story.h"

namespace {

FormPart text(const char* name, const QString& value)
{
    return {QByteArray(name), value.toUtf8(), {}, {}};
}

FormPart number(const QByteArray& name, qint64 value)
{
    return {name, QByteArray::number(value), {}, {}};
}

FormPart file(const QByteArray& name, const QString& path, const char* type)
{
    return {name, {}, path, QByteArray(type)};
}

} // namespace

Form buildVerifyForm(const Story& story, const UserAccount& account)
{
    Form form;
    form << FormPart{"version", kServiceVersion, {}, {}};
    if (story.type() == int(StoryType::Picture))
        form << number("num_slides", story.count());
    else if (story.type() == int(StoryType::Podcast))
        form << number("num_slides", 1);
    form << text("cusername", account.userName()) << text("cpassword", account.password());
    return form;
}

Form buildUploadForm(const Story& story, const UserAccount& account, const QByteArray& verifyCode)
{
    Form form;
    form << FormPart{"version", kServiceVersion, {}, {}} << text("cusername", account.userName())
         << FormPart{"verify_code", verifyCode, {}, {}} << number("pictorelle_category", story.categoryId())
         << text("pictorelle_description", story.description()) << text("pictorelle_title", story.title())
         << text("pictorelle_tags", story.tags()) << number("pictorelle_type", story.type())
         << number("pictorelle_id", story.uniqueId()) << text("pictorelle_language", account.languageText());

    if (story.type() == int(StoryType::Picture)) {
        form << number("num_slides", story.count());
        for (int i = 0; i < story.count(); ++i) {
            const Slide& s = *story.slideAt(i);
            const QByteArray n = QByteArray::number(i);
            form << FormPart{"description" + n, s.caption().toUtf8(), {}, {}}
                 << FormPart{"tag" + n, s.tags().toUtf8(), {}, {}} << file("photo" + n, s.slideJpegPath(), "image/jpeg")
                 << file("thumb" + n, s.thumbnailJpegPath(), "image/jpeg")
                 << file("audio" + n, s.narrationMp3Path(), "audio/x-mp3") << number("audiol" + n, s.narrationLength());
        }
    } else if (story.type() == int(StoryType::Podcast)) {
        form << number("num_slides", 1) << file("audio0", story.podcastMp3Path(), "audio/x-mp3")
             << number("audiol0", story.totalLength())
             << number("publish_transcript", story.transcriptPublish() ? 1 : 0);
        if (story.transcriptPublish())
            form << text("transcript", story.transcript());
    }
    return form;
}
