#include "publish/uploadform.h"
#include "shell/useraccount.h"
#include "story/story.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

namespace {

QList<QByteArray> names(const Form& form)
{
    QList<QByteArray> n;
    for (const FormPart& p : form)
        n << p.name;
    return n;
}

QByteArray value(const Form& form, const QByteArray& name)
{
    for (const FormPart& p : form)
        if (p.name == name)
            return p.value;
    return "<missing>";
}

struct FormFixture : ::testing::Test
{
    TempFolder home;
    Story story{home.path()};
    UserAccount account;

    void SetUp() override
    {
        account.setUserName(QString::fromUtf8("jürgen"));
        account.setPassword("5ebe2294ecd0e0f08eab7690d2a6ee69");
        account.setLanguageText("Deutsch");
        story.setTitle(QString::fromUtf8("Café crème"));
        story.setDescription("one\ntwo");
        story.setTags("a;b");
        story.setCategoryId(2060200);
    }

    void addSlide(SlideKind kind, int seconds, const QString& caption = {})
    {
        auto s = std::make_unique<Slide>(story);
        s->setKind(kind);
        s->setNarrationLength(seconds);
        s->setCaption(caption);
        story.add(std::move(s));
    }
};

TEST_F(FormFixture, TwoSlidePictureStorySendsPartsInOrder)
{
    addSlide(SlideKind(3), 4, "first");
    addSlide(SlideKind(3), 6);
    story.setType(1);
    const Form form = buildUploadForm(story, account, "ABCDEFGH");
    EXPECT_EQ(names(form), (QList<QByteArray>{"version",
                                              "cusername",
                                              "verify_code",
                                              "pictorelle_category",
                                              "pictorelle_description",
                                              "pictorelle_title",
                                              "pictorelle_tags",
                                              "pictorelle_type",
                                              "pictorelle_id",
                                              "pictorelle_language",
                                              "num_slides",
                                              "description0",
                                              "tag0",
                                              "photo0",
                                              "thumb0",
                                              "audio0",
                                              "audiol0",
                                              "description1",
                                              "tag1",
                                              "photo1",
                                              "thumb1",
                                              "audio1",
                                              "audiol1"}));
    EXPECT_EQ(value(form, "version"), "1.0");
    EXPECT_EQ(value(form, "cusername"), "j\xC3\xBCrgen");
    EXPECT_EQ(value(form, "verify_code"), "ABCDEFGH");
    EXPECT_EQ(value(form, "pictorelle_title"), "Caf\xC3\xA9 cr\xC3\xA8me");
    EXPECT_EQ(value(form, "pictorelle_description"), "one\r\ntwo");
    EXPECT_EQ(value(form, "pictorelle_category"), "2060200");
    EXPECT_EQ(value(form, "pictorelle_id"), "-1");
    EXPECT_EQ(value(form, "num_slides"), "2");
    EXPECT_EQ(value(form, "audiol1"), "6");
    EXPECT_EQ(value(form, "description0"), "first");

    const FormPart& photo = form.at(13);
    ASSERT_TRUE(photo.isFile());
    EXPECT_EQ(photo.filePath, story.slideAt(0)->slideJpegPath());
    EXPECT_EQ(photo.contentType, "image/jpeg");
    EXPECT_EQ(form.at(14).filePath, story.slideAt(0)->thumbnailJpegPath());
    EXPECT_EQ(form.at(15).filePath, story.slideAt(0)->narrationMp3Path());
    EXPECT_EQ(form.at(15).contentType, "audio/x-mp3");
    EXPECT_TRUE(form.at(15).filePath.endsWith(QString("/%1.mp3").arg(story.slideAt(0)->id())));
}

TEST_F(FormFixture, PodcastWithAndWithoutTranscript)
{
    story.setType(2);
    addSlide(SlideKind::Segment, 10);
    addSlide(SlideKind::Segment, 25);
    story.setTranscript("hello\nworld");
    Form form = buildUploadForm(story, account, "ABCDEFGH");
    EXPECT_EQ(names(form).mid(10), (QList<QByteArray>{"num_slides", "audio0", "audiol0", "publish_transcript"}));
    EXPECT_EQ(value(form, "num_slides"), "1");
    EXPECT_EQ(value(form, "audiol0"), "35");
    EXPECT_EQ(value(form, "publish_transcript"), "0");
    EXPECT_TRUE(form.at(11).filePath.endsWith("temp/podcast.mp3"));

    story.setTranscriptPublish(true);
    form = buildUploadForm(story, account, "ABCDEFGH");
    EXPECT_EQ(names(form).last(), "transcript");
    EXPECT_EQ(value(form, "publish_transcript"), "1");
    EXPECT_EQ(value(form, "transcript"), "hello\r\nworld");
}

TEST_F(FormFixture, OtherTypesSendOnlyTheCommonParts)
{
    story.setType(4);
    addSlide(SlideKind(3), 3);
    EXPECT_EQ(buildUploadForm(story, account, "ABCDEFGH").size(), 10);
    EXPECT_EQ(names(buildVerifyForm(story, account)), (QList<QByteArray>{"version", "cusername", "cpassword"}));
}

TEST_F(FormFixture, VerifyFormCountsSlides)
{
    addSlide(SlideKind(3), 3);
    addSlide(SlideKind(3), 3);
    addSlide(SlideKind(3), 3);
    Form form = buildVerifyForm(story, account);
    EXPECT_EQ(names(form), (QList<QByteArray>{"version", "num_slides", "cusername", "cpassword"}));
    EXPECT_EQ(value(form, "num_slides"), "3");
    EXPECT_EQ(value(form, "cpassword"), "5ebe2294ecd0e0f08eab7690d2a6ee69");
    story.setType(2);
    EXPECT_EQ(value(buildVerifyForm(story, account), "num_slides"), "1");
}

} // namespace
