#include "servicefixture.h"

#include <QDir>

#include <algorithm>
#include <latch>
#include <thread>

namespace {

struct ServiceUploadTest : ServiceFixture
{
    void SetUp() override
    {
        ServiceFixture::SetUp();
        ASSERT_EQ(signUp("ann", "pw"), 200);
        ASSERT_EQ(signUp("bob", "pw2"), 200);
    }

    // The stored media files of a story, by name.
    QStringList mediaFiles(long long id) const
    {
        return QDir(data.path() + "media/" + QString::number(id)).entryList(QDir::Files, QDir::Name);
    }

    std::string page(long long id) { return get("/?page=detail&cid=" + std::to_string(id))->body; }

    // Whether "incoming/" holds no upload's files: only the service's own empty staging folder
    // and its lock file.
    bool nothingStaged() const
    {
        const QDir incoming(data.path() + "incoming");
        const QStringList folders = incoming.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        const QStringList locks = incoming.entryList(QDir::Files);
        return folders.size() == 1 && locks == QStringList{folders[0] + ".lock"} &&
               QDir(incoming.filePath(folders[0])).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot);
    }
};

TEST_F(ServiceUploadTest, PictureStoryIsStoredAndItsPageLinksEveryFileWithItsType)
{
    // GIVEN a picture story of two slides sent exactly as the program sends it
    StoryParts story = StoryParts::picture(2, "a");
    story.title = "Ferien am Meer & mehr";
    const std::string reply = publish("ann", "pw", story);
    // THEN the reply carries the new id
    const long long id = storyId(reply);
    ASSERT_GT(id, 0) << reply;
    // AND the story's page shows its texts, escaped, and plays its files
    const std::string shown = page(id);
    EXPECT_NE(shown.find("<h1>Ferien am Meer &amp; mehr</h1>"), std::string::npos);
    EXPECT_NE(shown.find("Day one\r\nDay two"), std::string::npos);
    EXPECT_NE(shown.find("Caption a/1"), std::string::npos);
    EXPECT_NE(shown.find("Family &gt; Pets &gt; Dogs"), std::string::npos); // category 2060200
    EXPECT_NE(shown.find("English"), std::string::npos);
    const std::vector<std::string> links = mediaLinks(shown);
    ASSERT_EQ(links.size(), 6u); // per slide picture and narration, then the two thumbnails
    const std::vector<std::pair<std::string, std::string>> expected = {
        {story.slides[0].photo, "image/jpeg"}, {story.slides[0].audio, "audio/mpeg"},
        {story.slides[1].photo, "image/jpeg"}, {story.slides[1].audio, "audio/mpeg"},
        {story.slides[0].thumb, "image/jpeg"}, {story.slides[1].thumb, "image/jpeg"},
    };
    for (std::size_t i = 0; i < links.size(); ++i) {
        const auto file = get(links[i]);
        ASSERT_TRUE(file) << links[i];
        EXPECT_EQ(file->status, 200) << links[i];
        EXPECT_EQ(file->body, expected[i].first) << links[i];
        EXPECT_EQ(file->get_header_value("Content-Type"), expected[i].second) << links[i];
    }
    // AND the files carry the service's own names, never the program's
    EXPECT_EQ(mediaFiles(id),
              QStringList({"r1-0.jpg", "r1-0.mp3", "r1-0_t.jpg", "r1-1.jpg", "r1-1.mp3", "r1-1_t.jpg"}));
}

TEST_F(ServiceUploadTest, PodcastPublishesItsTranscriptOnlyWhenAsked)
{
    const std::string transcript = "Hello <listeners>,\r\n\r\nsecond paragraph.";
    const long long withText = storyId(publish("ann", "pw", StoryParts::podcast(transcript, "p")));
    const long long withoutText = storyId(publish("ann", "pw", StoryParts::podcast(std::nullopt, "q")));
    ASSERT_GT(withText, 0);
    ASSERT_GT(withoutText, 0);

    const std::string shown = page(withText);
    EXPECT_NE(shown.find("<div class=\"transcript\">Hello &lt;listeners&gt;,\r\n\r\nsecond paragraph.</div>"),
              std::string::npos);
    const std::vector<std::string> links = mediaLinks(shown);
    ASSERT_EQ(links.size(), 1u);
    const auto audio = get(links[0]);
    ASSERT_TRUE(audio);
    EXPECT_EQ(audio->body, mp3Bytes("podcast p"));
    EXPECT_EQ(audio->get_header_value("Content-Type"), "audio/mpeg");
    EXPECT_EQ(page(withoutText).find("Transcript"), std::string::npos);
    EXPECT_EQ(mediaFiles(withoutText), QStringList({"r1-podcast.mp3"}));
}

TEST_F(ServiceUploadTest, CodeServesOneUploadOfItsOwnUser)
{
    const std::string code = ServiceFixture::code("ann", "pw", "1");
    const StoryParts story = StoryParts::picture(1, "c");
    EXPECT_EQ(upload(uploadParts("bob", code, story)), "FAIL=BADCODE");
    EXPECT_GT(storyId(upload(uploadParts("ann", code, story))), 0);
    EXPECT_EQ(upload(uploadParts("ann", code, story)), "FAIL=BADCODE");
    EXPECT_EQ(upload(uploadParts("ann", "AAAAAAAA", story)), "FAIL=BADCODE");
    EXPECT_EQ(upload(uploadParts("nobody", code, story)), "FAIL=BADLOGIN");
}

TEST(ServiceUploadExpiryTest, ExpiredCodeIsRefused)
{
    // GIVEN a service whose codes expire at once
    TempFolder data;
    ServiceProcess service(data.path(), {"--code-lifetime", "0"});
    ASSERT_TRUE(service.started());
    ASSERT_EQ(runService({"--data", data.path(), "--add-user", "ann"}, "pw\n").code, 0);
    const auto verified = service.client()->Post("/?action=verify", verifyParts("ann", md5Hex("pw"), "1"));
    ASSERT_TRUE(verified);
    ASSERT_TRUE(verified->body.starts_with("OKAY,")) << verified->body;
    // WHEN the upload comes with that code
    const auto reply = service.client()->Post(
        "/?action=upload", uploadParts("ann", verified->body.substr(5, 8), StoryParts::picture(1, "e")));
    // THEN it is refused
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->body, "FAIL=BADCODE");
}

TEST_F(ServiceUploadTest, WrongSignaturesAndMissingOrContradictoryPartsAreBadData)
{
    const StoryParts story = StoryParts::picture(2, "d");
    auto attempt = [&](auto change) {
        return upload(change(uploadParts("ann", ServiceFixture::code("ann", "pw", "2"), story)));
    };
    using Parts = httplib::MultipartFormDataItems;
    const std::string png("\x89PNG\r\n\x1A\n", 8);
    EXPECT_EQ(attempt([&](Parts p) { return with(p, "photo1", png); }), "FAIL=BADDATA");
    EXPECT_EQ(attempt([&](Parts p) { return with(p, "thumb0", "GIF89a"); }), "FAIL=BADDATA");
    EXPECT_EQ(attempt([&](Parts p) { return with(p, "audio0", "RIFF....WAVE"); }), "FAIL=BADDATA");
    EXPECT_EQ(attempt([&](Parts p) { return with(p, "audio1", ""); }), "FAIL=BADDATA");
    for (const char* name : {"thumb1", "audiol0", "description1", "pictorelle_title", "pictorelle_type", "num_slides"})
        EXPECT_EQ(attempt([&](Parts p) { return without(p, name); }), "FAIL=BADDATA") << name;
    EXPECT_EQ(attempt([&](Parts p) { return with(p, "audiol1", "abc"); }), "FAIL=BADDATA");
    EXPECT_EQ(attempt([&](Parts p) { return with(p, "pictorelle_type", "3"); }), "FAIL=BADDATA");
    EXPECT_EQ(attempt([&](Parts p) { return with(p, "pictorelle_title", "\xC3\x28"); }), "FAIL=BADDATA");
    // The code was issued for two slides; three contradict it, and so do parts of a third slide.
    EXPECT_EQ(attempt([&](Parts p) { return with(p, "num_slides", "3"); }), "FAIL=BADDATA");
    EXPECT_EQ(attempt([&](Parts p) {
                  p.push_back({"photo2", jpegBytes("extra"), "9.jpg", "image/jpeg"});
                  return p;
              }),
              "FAIL=BADDATA");
    EXPECT_EQ(attempt([&](Parts p) {
                  p.push_back({"tag0", "again", "", ""});
                  return p;
              }),
              "FAIL=BADDATA");
    const StoryParts podcast = StoryParts::podcast(std::string("text"), "d");
    const auto podcastParts = [&] { return uploadParts("ann", ServiceFixture::code("ann", "pw", "1"), podcast); };
    EXPECT_EQ(upload(without(podcastParts(), "transcript")), "FAIL=BADDATA");
    EXPECT_EQ(upload(with(podcastParts(), "audiol0", "901")), "FAIL=BADDATA");
    EXPECT_EQ(upload(with(podcastParts(), "publish_transcript", "yes")), "FAIL=BADDATA");
    // Nothing of the refused uploads was kept.
    EXPECT_EQ(get("/")->body.find("Story d"), std::string::npos);
    EXPECT_TRUE(QDir(data.path() + "media").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    EXPECT_TRUE(nothingStaged());
}

TEST_F(ServiceUploadTest, PartsAreFoundInAnyOrder)
{
    httplib::MultipartFormDataItems parts =
        uploadParts("ann", ServiceFixture::code("ann", "pw", "2"), StoryParts::picture(2, "o"));
    std::reverse(parts.begin(), parts.end());
    EXPECT_GT(storyId(upload(parts)), 0);
}

TEST_F(ServiceUploadTest, OversizedFilesAndTextsAreTooBig)
{
    StoryParts story = StoryParts::picture(1, "b");
    story.slides[0].photo = jpegBytes("big") + std::string(5 * 1024 * 1024, 'x');
    EXPECT_EQ(publish("ann", "pw", story), "FAIL=TOOBIG");
    story = StoryParts::picture(1, "b");
    story.title = std::string(289, 't');
    EXPECT_EQ(publish("ann", "pw", story), "FAIL=TOOBIG");
    story.title = std::string(288, 't');
    EXPECT_GT(storyId(publish("ann", "pw", story)), 0);
    StoryParts podcast = StoryParts::podcast(std::string(299999, 'w'), "t");
    EXPECT_GT(storyId(publish("ann", "pw", podcast)), 0);
    podcast.transcript = std::string(300000, 'w');
    EXPECT_EQ(publish("ann", "pw", podcast), "FAIL=TOOBIG");
}

TEST_F(ServiceUploadTest, RequestBeyondThreeHundredMegabytesIsTooBigBeforeAnythingIsStored)
{
    // The body is streamed from a fixed block, so the test holds no 300 MB of its own.
    constexpr std::size_t Length = 300u * 1024 * 1024 + 1;
    const std::string block(64 * 1024, 'z');
    const auto reply = service->client()->Post(
        "/?action=upload", Length,
        [&](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            const std::size_t n = std::min({length, block.size(), Length - offset});
            return sink.write(block.data(), n);
        },
        "multipart/form-data; boundary=xyz");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->body, "FAIL=TOOBIG");
    EXPECT_TRUE(nothingStaged());
}

TEST_F(ServiceUploadTest, OfUploadsRacingWithOneCodeExactlyOneIsStored)
{
    constexpr int Racers = 8;
    const std::string code = ServiceFixture::code("ann", "pw", "1");
    std::vector<std::string> replies(Racers);
    {
        std::latch start(Racers);
        std::vector<std::jthread> threads;
        for (int i = 0; i < Racers; ++i) {
            threads.emplace_back([&, i] {
                const auto client = service->client();
                const auto parts = uploadParts("ann", code, StoryParts::picture(1, "race" + std::to_string(i)));
                start.arrive_and_wait();
                const auto reply = client->Post("/?action=upload", parts);
                replies[i] = reply ? reply->body : std::string("no reply");
            });
        }
    }
    EXPECT_EQ(std::count_if(replies.begin(), replies.end(), [](const std::string& r) { return storyId(r) > 0; }), 1);
    EXPECT_EQ(std::count(replies.begin(), replies.end(), std::string("FAIL=BADCODE")), Racers - 1);
}

TEST_F(ServiceUploadTest, RepublishingByTheOwnerKeepsTheIdAndReplacesEverything)
{
    // GIVEN a published story of two slides
    const long long id = storyId(publish("ann", "pw", StoryParts::picture(2, "old")));
    ASSERT_GT(id, 0);
    const std::vector<std::string> oldLinks = mediaLinks(page(id));
    // WHEN the program publishes it again with its id, now one slide
    StoryParts story = StoryParts::picture(1, "new");
    story.id = std::to_string(id);
    // THEN the same id comes back
    EXPECT_EQ(publish("ann", "pw", story), "OKAY=" + std::to_string(id));
    // AND the page shows only the new content, the old files are gone
    const std::string shown = page(id);
    EXPECT_NE(shown.find("Story new"), std::string::npos);
    EXPECT_EQ(shown.find("Story old"), std::string::npos);
    EXPECT_EQ(mediaLinks(shown).size(), 3u);
    for (const std::string& link : oldLinks)
        EXPECT_EQ(get(link)->status, 404) << link;
    EXPECT_EQ(mediaFiles(id), QStringList({"r2-0.jpg", "r2-0.mp3", "r2-0_t.jpg"}));
    EXPECT_EQ(get(mediaLinks(shown)[0])->body, story.slides[0].photo);
}

TEST_F(ServiceUploadTest, AnotherUsersIdIsRefusedAndUnknownIdsMakeNewStories)
{
    const long long id = storyId(publish("ann", "pw", StoryParts::picture(1, "ann")));
    ASSERT_GT(id, 0);
    StoryParts story = StoryParts::picture(1, "bob");
    story.id = std::to_string(id);
    EXPECT_EQ(publish("bob", "pw2", story), "FAIL=NOTOWNER");
    EXPECT_NE(page(id).find("Story ann"), std::string::npos);
    EXPECT_EQ(mediaFiles(id).size(), 3);

    story.id = "987654";
    const long long fresh = storyId(publish("bob", "pw2", story));
    EXPECT_GT(fresh, id);
    EXPECT_NE(fresh, 987654);
    EXPECT_NE(page(fresh).find("Story bob"), std::string::npos);
}

} // namespace
