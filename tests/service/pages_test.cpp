#include "servicefixture.h"

#include <QFile>
#include <QXmlStreamReader>

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

// How often text occurs in page.
std::size_t occurrences(const std::string& page, const std::string& text)
{
    std::size_t count = 0;
    for (std::size_t at = page.find(text); at != std::string::npos; at = page.find(text, at + text.size()))
        ++count;
    return count;
}

// The element from "<tag" up to its closing tag (no nesting of the same tag inside).
std::string element(const std::string& page, const std::string& opening, const std::string& tag)
{
    const std::size_t start = page.find(opening);
    if (start == std::string::npos)
        return {};
    const std::size_t end = page.find("</" + tag + ">", start);
    return end == std::string::npos ? std::string() : page.substr(start, end + tag.size() + 3 - start);
}

TEST_F(ServicePagesTest, StoryPageNamesItsCategory)
{
    StoryParts story = StoryParts::picture(1, "c");
    story.category = "1030200";
    const long long france = storyId(publish("ann", "pw", story));
    story.category = "7030000";
    const long long cafes = storyId(publish("ann", "pw", story));
    story.category = "2147483647";
    const long long unknown = storyId(publish("ann", "pw", story));
    ASSERT_GT(france, 0);
    ASSERT_GT(cafes, 0);
    ASSERT_GT(unknown, 0);
    // The program's table beside the executable; its Latin-1 arrives as UTF-8, escaped.
    EXPECT_NE(
        get("/?page=detail&cid=" + std::to_string(france))
            ->body.find(
                "<dt>Category</dt><dd class=\"category\"><a href=\"/browse?category=1030200\">Travel &gt; Europe &gt; "
                "France</a></dd>"),
        std::string::npos);
    EXPECT_NE(
        get("/?page=detail&cid=" + std::to_string(cafes))
            ->body.find(
                "<dd class=\"category\"><a href=\"/browse?category=7030000\">Food &amp; Drink &gt; Caf\xC3\xA9s &amp; "
                "Coffee</a></dd>"),
        std::string::npos);
    EXPECT_NE(get("/?page=detail&cid=" + std::to_string(unknown))->body.find("<dd class=\"category\">2147483647</dd>"),
              std::string::npos);
}

// A service whose category names come from a table of the test's own.
struct ServiceCategoriesTest : ServiceFixture
{
    void SetUp() override
    {
        const QString table = data.write("names.dat", "1.0\r\n2\r\n1\r\n0\r\n0\r\n"
                                                      "1000000,1,0,<b>Bold</b> & \"Co\"\r\n"
                                                      "2000000,1,1,Caf\xE9\r\n"
                                                      "1010000,2,1,Sub 'one'\r\n");
        service = std::make_unique<ServiceProcess>(data.path(), QStringList{"--categories", table});
        ASSERT_TRUE(service->started()) << service->log().toStdString();
        ASSERT_EQ(signUp("ann", "pw"), 200);
    }

    std::string pageIn(const std::string& category)
    {
        StoryParts story = StoryParts::picture(1, "n");
        story.category = category;
        const long long id = storyId(publish("ann", "pw", story));
        EXPECT_GT(id, 0);
        return get("/?page=detail&cid=" + std::to_string(id))->body;
    }
};

TEST_F(ServiceCategoriesTest, NamesComeFromTheGivenFileEscaped)
{
    const std::string sub = pageIn("1010000");
    EXPECT_NE(sub.find("<dd class=\"category\"><a href=\"/browse?category=1010000\">&lt;b&gt;Bold&lt;/b&gt; &amp; "
                       "&quot;Co&quot; &gt; Sub &#39;one&#39;</a></dd>"),
              std::string::npos);
    EXPECT_EQ(sub.find("<b>Bold"), std::string::npos);
    EXPECT_NE(
        pageIn("2000000").find("<dd class=\"category\"><a href=\"/browse?category=2000000\">Caf\xC3\xA9</a></dd>"),
        std::string::npos);
    // Numbers the file does not name, among them the program's own, show as numbers.
    EXPECT_NE(pageIn("1030200").find("<dd class=\"category\">1030200</dd>"), std::string::npos);
}

TEST(ServiceCategoriesStartTest, ACategoryFileThatCannotBeReadStopsTheStart)
{
    TempFolder data;
    const CommandRun missing =
        runService({"--port", "0", "--data", data.path(), "--categories", data.file("none.dat")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.err.contains("cannot read " + data.file("none.dat"))) << missing.err.toStdString();
    const QString newer = data.write("newer.dat", "2.0\n1\n0\n0\n0\n1000000,1,0,Travel\n");
    const CommandRun refused = runService({"--port", "0", "--data", data.path(), "--categories", newer});
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.err.contains("holds no category")) << refused.err.toStdString();
    EXPECT_EQ(runService({"--categories"}).code, 2);
}

TEST_F(ServicePagesTest, StoryPageWorksWithoutScriptAndHasOneControlSetForIt)
{
    const long long id = publishTitled("Show", 3);
    ASSERT_GT(id, 0);
    const std::string page = get("/?page=detail&cid=" + std::to_string(id))->body;
    // Without script: every slide is there, none hidden, each with a plain audio control that
    // loads nothing until asked.
    for (int n = 1; n <= 3; ++n) {
        const std::string slide =
            element(page, "<figure class=\"slide\" id=\"slide" + std::to_string(n) + "\"", "figure");
        ASSERT_FALSE(slide.empty()) << n;
        EXPECT_EQ(slide.find("hidden"), std::string::npos) << slide;
        EXPECT_NE(slide.find("data-seconds=\"" + std::to_string(4 + n) + "\""), std::string::npos) << slide;
        EXPECT_EQ(occurrences(slide, "<audio controls preload=\"none\" src=\"/media/"), 1u) << slide;
        EXPECT_NE(page.find("<li><a href=\"#slide" + std::to_string(n) + "\"><img src=\"/media/"), std::string::npos);
    }
    EXPECT_EQ(occurrences(page, "<audio"), 3u);
    // The script's controls: one set, hidden until the script shows it, with no audio bar of its own.
    const std::string controls = element(page, "<div id=\"controls\"", "div");
    ASSERT_FALSE(controls.empty());
    EXPECT_TRUE(controls.starts_with("<div id=\"controls\" class=\"controls\" hidden>")) << controls;
    for (const std::string button : {"prev", "play", "next", "fullscreen"})
        EXPECT_EQ(occurrences(page, "<button id=\"" + button + "\" type=\"button\">"), 1u) << button;
    EXPECT_EQ(controls.find("<audio"), std::string::npos);
    EXPECT_NE(controls.find("<progress id=\"position\""), std::string::npos);
    EXPECT_NE(controls.find("<span id=\"counter\" class=\"counter\">1 / 3</span>"), std::string::npos);
    EXPECT_NE(controls.find("<span id=\"time\" class=\"time\">0:00 / 0:05</span>"), std::string::npos);
    // The slide area and its controls go full screen together; the thumbnails stay outside.
    EXPECT_LT(page.find("<div id=\"stage\""), page.find("<div id=\"show\" data-kind=\"pictures\">"));
    EXPECT_LT(page.find("<div id=\"controls\""), page.find("<ol class=\"thumbs\">"));
    EXPECT_EQ(occurrences(page, "<script>"), 1u);
}

TEST_F(ServicePagesTest, PodcastPageHasThePlayerWithoutSlideButtons)
{
    const long long id = storyId(publish("ann", "pw", StoryParts::podcast(std::string("Words"), "p")));
    ASSERT_GT(id, 0);
    const std::string page = get("/?page=detail&cid=" + std::to_string(id))->body;
    EXPECT_EQ(occurrences(page, "<audio controls preload=\"metadata\" src=\"/media/"), 1u);
    EXPECT_NE(page.find("<div id=\"show\" data-kind=\"podcast\">"), std::string::npos);
    const std::string controls = element(page, "<div id=\"controls\"", "div");
    EXPECT_TRUE(controls.starts_with("<div id=\"controls\" class=\"controls\" hidden>")) << controls;
    EXPECT_NE(controls.find("<button id=\"play\" type=\"button\">Play</button>"), std::string::npos);
    EXPECT_NE(controls.find("<span id=\"time\" class=\"time\">0:00 / 5:00</span>"), std::string::npos);
    for (const std::string absent : {"id=\"prev\"", "id=\"next\"", "id=\"counter\"", "class=\"thumbs\""})
        EXPECT_EQ(page.find(absent), std::string::npos) << absent;
    EXPECT_EQ(occurrences(page, "<script>"), 1u);
    EXPECT_NE(page.find("<div class=\"transcript\">Words</div>"), std::string::npos);
}

TEST_F(ServicePagesTest, FaviconIsAnSvgEveryPageLinks)
{
    EXPECT_NE(get("/")->body.find("<link rel=\"icon\" href=\"/favicon.svg\" type=\"image/svg+xml\">"),
              std::string::npos);
    EXPECT_NE(get("/?page=nothing")->body.find("href=\"/favicon.svg\""), std::string::npos);
    for (const std::string path : {"/favicon.svg", "/favicon.ico"}) {
        const auto reply = get(path);
        ASSERT_TRUE(reply) << path;
        EXPECT_EQ(reply->status, 200) << path;
        EXPECT_EQ(reply->get_header_value("Content-Type"), "image/svg+xml") << path;
        // Well-formed SVG: the root is <svg> in the SVG namespace, with a view box.
        QXmlStreamReader xml(QByteArray::fromStdString(reply->body));
        ASSERT_TRUE(xml.readNextStartElement()) << path;
        EXPECT_EQ(xml.name().toString(), "svg");
        EXPECT_EQ(xml.namespaceUri().toString(), "http://www.w3.org/2000/svg");
        EXPECT_EQ(xml.attributes().value("viewBox").toString(), "0 0 32 32");
        int shapes = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement)
                ++shapes;
        }
        EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
        EXPECT_GE(shapes, 3);
    }
}

TEST(ServiceStopTest, InterruptStopsCleanlyAndTheDataStays)
{
    TempFolder data;
    {
        ServiceProcess service(data.path());
        ASSERT_TRUE(service.started());
        ASSERT_EQ(runService({"--data", data.path(), "--add-user", "ann"}, "pw\n").code, 0);
        EXPECT_EQ(service.stop(SIGINT), 0);
    }
    ServiceProcess again(data.path());
    ASSERT_TRUE(again.started());
    const auto reply = again.client()->Post("/?action=verify", verifyParts("ann", md5Hex("pw"), "1"));
    ASSERT_TRUE(reply);
    EXPECT_TRUE(reply->body.starts_with("OKAY,"));
}

} // namespace
