#include "servicefixture.h"

#include <QFile>

namespace {

struct ServicePagesTest : ServiceFixture
{
    void SetUp() override
    {
        ServiceFixture::SetUp();
        ASSERT_EQ(signUp("ann", "pw"), 200);
    }

    long long publishTitled(const std::string& title, int slides = 1)
    {
        StoryParts story = StoryParts::picture(slides, title);
        story.title = title;
        return storyId(publish("ann", "pw", story));
    }
};

std::size_t position(const std::string& page, const std::string& text)
{
    const std::size_t at = page.find(text);
    EXPECT_NE(at, std::string::npos) << text;
    return at;
}

TEST_F(ServicePagesTest, HomePageListsStoriesLatestPublicationFirst)
{
    EXPECT_NE(get("/")->body.find("No stories have been published yet."), std::string::npos);
    const long long first = publishTitled("First", 2);
    ASSERT_GT(first, 0);
    ASSERT_GT(publishTitled("Second"), 0);
    ASSERT_GT(storyId(publish("ann", "pw", StoryParts::podcast(std::nullopt, "Third"))), 0);

    const std::string list = get("/")->body;
    EXPECT_LT(position(list, "Podcast Third"), position(list, ">Second<"));
    EXPECT_LT(position(list, ">Second<"), position(list, ">First<"));
    // Each row: title linked to its page, owner, type, slides, length (5 + 6 seconds), date.
    EXPECT_NE(list.find("<tr><td><a href=\"/?page=detail&amp;cid=" + std::to_string(first) +
                        "\">First</a></td><td>ann</td><td>Picture story</td><td>2</td><td>0:11</td><td>"),
              std::string::npos);
    EXPECT_NE(list.find("<td>Podcast</td><td>1</td><td>5:00</td>"), std::string::npos);

    // Publishing the first story again moves it to the top.
    StoryParts again = StoryParts::picture(1, "First");
    again.title = "First";
    again.id = std::to_string(first);
    ASSERT_EQ(storyId(publish("ann", "pw", again)), first);
    const std::string relisted = get("/")->body;
    EXPECT_LT(position(relisted, ">First<"), position(relisted, "Podcast Third"));
}

TEST_F(ServicePagesTest, UserTextIsEscapedOnEveryPage)
{
    StoryParts story = StoryParts::picture(1, "x");
    story.title = "<script>alert(1)</script>";
    story.description = "a \"quoted\" <i>word</i>";
    story.tags = "<b>tag</b>";
    story.language = "<em>English</em>";
    story.slides[0].caption = "<img src=x onerror=alert(2)>";
    story.slides[0].tags = "'single'";
    const long long id = storyId(publish("ann", "pw", story));
    ASSERT_GT(id, 0);
    for (const std::string& path : {std::string("/"), "/?page=detail&cid=" + std::to_string(id)}) {
        const std::string body = get(path)->body;
        EXPECT_NE(body.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos) << path;
        EXPECT_EQ(body.find("<script>alert"), std::string::npos) << path;
        EXPECT_EQ(body.find("<img src=x"), std::string::npos) << path;
        EXPECT_EQ(body.find("<b>tag"), std::string::npos) << path;
    }
    const std::string detail = get("/?page=detail&cid=" + std::to_string(id))->body;
    EXPECT_NE(detail.find("a &quot;quoted&quot; &lt;i&gt;word&lt;/i&gt;"), std::string::npos);
    EXPECT_NE(detail.find("&lt;img src=x onerror=alert(2)&gt;"), std::string::npos);
    EXPECT_NE(detail.find("&#39;single&#39;"), std::string::npos);
    EXPECT_NE(detail.find("&lt;em&gt;English&lt;/em&gt;"), std::string::npos);
}

TEST_F(ServicePagesTest, UnknownStoriesAndPagesAre404Pages)
{
    for (const std::string path : {"/?page=detail&cid=999", "/?page=detail&cid=abc", "/?page=detail",
                                   "/?page=detail&cid=-1", "/?page=nothing", "/nothing/here"}) {
        const auto reply = get(path);
        ASSERT_TRUE(reply) << path;
        EXPECT_EQ(reply->status, 404) << path;
        EXPECT_EQ(reply->get_header_value("Content-Type"), "text/html; charset=utf-8") << path;
        EXPECT_NE(reply->body.find("<h1>Not found</h1>"), std::string::npos) << path;
    }
}

TEST_F(ServicePagesTest, MediaAddressesReachNothingOutsideTheStoriesFiles)
{
    const long long id = publishTitled("Media");
    ASSERT_GT(id, 0);
    const std::string n = std::to_string(id);
    data.write("secret.txt", "secret");
    for (const std::string& path : std::vector<std::string>{
             "/media/../pictorelle.db", "/media/" + n + "/../../pictorelle.db",
             "/media/" + n + "/..%2F..%2Fpictorelle.db", "/media/%2E%2E/%2E%2E/secret.txt",
             "/media/" + n + "/r1-0.jpg%00.txt", "/media/" + n + "/pictorelle.db", "/media/" + n + "/r1-9.jpg",
             "/media/" + n + "/r1-0.JPG", "/media/" + n + "/", "/media/..%2F..%2Fsecret.txt/x",
             "/media/" + n + "%2F..%2F..%2Fsecret.txt/r1-0.jpg"}) {
        // Sent as written: the escapes are decoded by the service, not the client.
        const auto client = service->client();
        client->set_url_encode(false);
        const auto reply = client->Get(path);
        ASSERT_TRUE(reply) << path;
        EXPECT_EQ(reply->status, 404) << path;
        EXPECT_EQ(reply->body.find("SQLite format"), std::string::npos) << path;
        EXPECT_EQ(reply->body.find("secret"), std::string::npos) << path;
    }
    EXPECT_EQ(get("/media/" + n + "/r1-0.jpg")->status, 200);
}

TEST_F(ServicePagesTest, UpdateCheckSaysWhetherANewerVersionExists)
{
    const std::string latest = "You have the latest version of Pictorelle (1.0).";
    EXPECT_NE(get("/?page=check&ver=1.0")->body.find(latest), std::string::npos);
    EXPECT_NE(get("/?page=check&ver=1.0.0")->body.find(latest), std::string::npos);
    EXPECT_NE(get("/?page=check&ver=2.3")->body.find(latest), std::string::npos);
    const auto older = get("/?page=check&ver=0.9");
    EXPECT_EQ(older->status, 200);
    EXPECT_NE(older->body.find("A newer version of Pictorelle (1.0) is available. You have version 0.9."),
              std::string::npos);
    const auto junk = get("/?page=check&ver=<b>");
    EXPECT_EQ(junk->status, 400);
    EXPECT_NE(junk->body.find("\"&lt;b&gt;\" is not a version number"), std::string::npos);
    EXPECT_EQ(get("/?page=check")->status, 400);
}

TEST_F(ServicePagesTest, EveryRequestIsLoggedAndTermStopsCleanly)
{
    ASSERT_EQ(get("/?page=check&ver=1.0")->status, 200);
    ASSERT_EQ(get("/?page=detail&cid=77")->status, 404);
    // Stopping first: the log line of a request is written after its reply.
    EXPECT_EQ(service->stop(SIGTERM), 0);
    const QStringList lines = service->log().split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.filter("\"GET /?page=check&ver=1.0\" 200").size(), 1) << service->log().toStdString();
    EXPECT_EQ(lines.filter("\"GET /?page=detail&cid=77\" 404").size(), 1);
    EXPECT_EQ(lines.filter("\"POST /?page=login\" 200").size(), 1);
    EXPECT_TRUE(lines.last().contains("stopped"));
}

TEST(ServiceStopTest, InterruptStopsCleanlyAndTheDataStays)
{
    TempFolder data;
    {
        ServiceProcess service(data.path());
        ASSERT_TRUE(service.started());
        ASSERT_EQ(runService({"--data", data.path(), "--add-user", "ann", "pw"}).code, 0);
        EXPECT_EQ(service.stop(SIGINT), 0);
    }
    ServiceProcess again(data.path());
    ASSERT_TRUE(again.started());
    const auto reply = again.client()->Post("/?action=verify", verifyParts("ann", md5Hex("pw"), "1"));
    ASSERT_TRUE(reply);
    EXPECT_TRUE(reply->body.starts_with("OKAY,"));
}

} // namespace
