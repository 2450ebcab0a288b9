#include "servicefixture.h"
#include "sitebrowser.h"
#include "testdatabase.h"

#include <QDir>

namespace {

struct ServiceMyStoriesTest : ServiceFixture
{
    void SetUp() override
    {
        ServiceFixture::SetUp();
        ann = std::make_unique<SiteBrowser>(*service);
        bob = std::make_unique<SiteBrowser>(*service);
        ASSERT_EQ(signUp("ann", "pw"), 200);
        ASSERT_EQ(signUp("bob", "pw2"), 200);
        ASSERT_EQ(ann->logIn("ann", "pw")->status, 303);
        ASSERT_EQ(bob->logIn("bob", "pw2")->status, 303);
    }

    long long publishAs(const std::string& user, const std::string& password, StoryParts story)
    {
        return storyId(publish(user, password, story));
    }

    QString mediaFolder(long long id) const { return data.path() + "media/" + QString::number(id); }

    std::string count(const std::string& sql) { return TestDatabase(data.path() + "pictorelle.db").value(sql); }

    std::unique_ptr<SiteBrowser> ann;
    std::unique_ptr<SiteBrowser> bob;
};

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::string detailPath(long long id)
{
    return "/?page=detail&cid=" + std::to_string(id);
}

TEST_F(ServiceMyStoriesTest, MyStoriesListsOnlyTheAuthorsOwnStoriesLatestFirst)
{
    StoryParts trip = StoryParts::picture(3, "t");
    trip.title = "Ann's <trip>";
    const long long first = publishAs("ann", "pw", trip);
    const long long second = publishAs("ann", "pw", StoryParts::podcast(std::nullopt, "ann"));
    StoryParts bobs = StoryParts::picture(1, "b");
    bobs.title = "Bob's story";
    const long long third = publishAs("bob", "pw2", bobs);
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    ASSERT_GT(third, 0);

    const auto page = ann->get("/mine");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    const std::string& body = page->body;
    // Each row: the title linked to its page, type, slide count, date and a Delete button.
    const std::size_t tripRow = body.find("<tr><td><a href=\"/?page=detail&amp;cid=" + std::to_string(first) +
                                          "\">Ann&#39;s &lt;trip&gt;</a></td><td>Picture story</td><td>3</td><td>");
    const std::size_t podcastRow = body.find("<tr><td><a href=\"/?page=detail&amp;cid=" + std::to_string(second) +
                                             "\">Podcast ann</a></td><td>Podcast</td><td>1</td><td>");
    ASSERT_NE(tripRow, std::string::npos) << body;
    ASSERT_NE(podcastRow, std::string::npos) << body;
    EXPECT_LT(podcastRow, tripRow);
    EXPECT_TRUE(contains(body, "<input type=\"hidden\" name=\"cid\" value=\"" + std::to_string(first) +
                                   "\"><button type=\"submit\">Delete</button>"));
    EXPECT_FALSE(contains(body, "Bob&#39;s story"));
    EXPECT_FALSE(contains(body, "cid=" + std::to_string(third)));

    const std::string bobsPage = bob->get("/mine")->body;
    EXPECT_TRUE(contains(bobsPage, ">Bob&#39;s story</a>"));
    EXPECT_FALSE(contains(bobsPage, "Ann&#39;s"));
    EXPECT_FALSE(contains(bobsPage, "Podcast ann"));

    SiteBrowser carol(*service);
    ASSERT_EQ(signUp("carol", "pw3"), 200);
    ASSERT_EQ(carol.logIn("carol", "pw3")->status, 303);
    EXPECT_TRUE(contains(carol.get("/mine")->body, "You have not published any stories yet."));
}

TEST_F(ServiceMyStoriesTest, WithoutASessionTheAuthorPagesSendToTheLogInPage)
{
    const long long id = publishAs("ann", "pw", StoryParts::picture(1, "x"));
    ASSERT_GT(id, 0);
    SiteBrowser nobody(*service);
    for (const std::string& path : std::vector<std::string>{"/mine", "/delete?cid=" + std::to_string(id)}) {
        const auto reply = nobody.get(path);
        ASSERT_TRUE(reply) << path;
        EXPECT_EQ(reply->status, 303) << path;
        EXPECT_EQ(reply->get_header_value("Location"), "/login") << path;
    }
}

TEST_F(ServiceMyStoriesTest, DeleteAsksFirstThenRemovesTheRowsAndTheMediaFiles)
{
    StoryParts story = StoryParts::picture(2, "d");
    story.title = "Going <away>";
    const long long id = publishAs("ann", "pw", story);
    const long long kept = publishAs("ann", "pw", StoryParts::picture(1, "k"));
    ASSERT_GT(id, 0);
    ASSERT_GT(kept, 0);
    ASSERT_EQ(QDir(mediaFolder(id)).entryList(QDir::Files).size(), 6);
    const std::string media = mediaLinks(get(detailPath(id))->body).at(0);

    // GIVEN the confirmation step the Delete button leads to
    const auto confirm = ann->get("/delete?cid=" + std::to_string(id));
    ASSERT_TRUE(confirm);
    EXPECT_EQ(confirm->status, 200);
    EXPECT_TRUE(contains(confirm->body, "<h1>Delete Going &lt;away&gt;?</h1>"));
    EXPECT_TRUE(contains(confirm->body, "<form method=\"post\" action=\"/delete\">"));
    EXPECT_TRUE(contains(confirm->body, "<a href=\"/mine\">Keep it</a>"));
    const std::string token = csrfOf(confirm->body.substr(confirm->body.find("<main>")));
    EXPECT_EQ(token, ann->csrf());
    // Looking at it deleted nothing.
    EXPECT_EQ(get(detailPath(id))->status, 200);

    // WHEN the author confirms
    const auto reply = ann->post("/delete", {{"csrf", token}, {"cid", std::to_string(id)}});
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 303);
    EXPECT_EQ(reply->get_header_value("Location"), "/mine?deleted=1");
    // THEN the story, its slides and its files are gone, and its addresses are 404
    EXPECT_EQ(count("SELECT COUNT(*) FROM stories WHERE id = " + std::to_string(id)), "0");
    EXPECT_EQ(count("SELECT COUNT(*) FROM slides WHERE story_id = " + std::to_string(id)), "0");
    EXPECT_FALSE(QDir(mediaFolder(id)).exists());
    EXPECT_EQ(get(detailPath(id))->status, 404);
    EXPECT_EQ(get(media)->status, 404);
    EXPECT_FALSE(contains(get("/")->body, "Going &lt;away&gt;"));
    const std::string mine = ann->get("/mine?deleted=1")->body;
    EXPECT_TRUE(contains(mine, "The story was deleted."));
    EXPECT_FALSE(contains(mine, "Going &lt;away&gt;"));
    // AND the other story is untouched
    EXPECT_EQ(get(detailPath(kept))->status, 200);
    EXPECT_EQ(QDir(mediaFolder(kept)).entryList(QDir::Files).size(), 3);
    // AND deleting it again finds nothing
    EXPECT_EQ(ann->post("/delete", {{"csrf", token}, {"cid", std::to_string(id)}})->status, 404);
    EXPECT_EQ(ann->get("/delete?cid=" + std::to_string(id))->status, 404);
    // AND publishing the deleted story again from the program makes a new story
    story.id = std::to_string(id);
    const long long again = publishAs("ann", "pw", story);
    ASSERT_GT(again, 0);
    EXPECT_NE(again, id);
    EXPECT_EQ(get(detailPath(again))->status, 200);
}

TEST_F(ServiceMyStoriesTest, DeletingAPodcastRemovesItsRecording)
{
    const long long id = publishAs("ann", "pw", StoryParts::podcast(std::string("Words"), "p"));
    ASSERT_GT(id, 0);
    ASSERT_EQ(QDir(mediaFolder(id)).entryList(QDir::Files), QStringList{"r1-podcast.mp3"});
    EXPECT_EQ(ann->post("/delete", {{"csrf", ann->csrf()}, {"cid", std::to_string(id)}})->status, 303);
    EXPECT_FALSE(QDir(mediaFolder(id)).exists());
    EXPECT_EQ(count("SELECT COUNT(*) FROM stories"), "0");
}

TEST_F(ServiceMyStoriesTest, OnlyTheAuthorCanDelete)
{
    const long long id = publishAs("ann", "pw", StoryParts::picture(1, "mine"));
    ASSERT_GT(id, 0);
    const std::string cid = std::to_string(id);

    // Another author, with his own valid form token, is refused at both steps.
    const auto confirm = bob->get("/delete?cid=" + cid);
    ASSERT_TRUE(confirm);
    EXPECT_EQ(confirm->status, 403);
    EXPECT_FALSE(contains(confirm->body, "action=\"/delete\""));
    const auto attempt = bob->post("/delete", {{"csrf", bob->csrf()}, {"cid", cid}});
    ASSERT_TRUE(attempt);
    EXPECT_EQ(attempt->status, 403);
    EXPECT_TRUE(contains(attempt->body, "Only the author of a story can delete it."));
    // Without a session the form goes to the log-in page.
    SiteBrowser nobody(*service);
    const auto anonymous = nobody.post("/delete", {{"csrf", ann->csrf()}, {"cid", cid}});
    ASSERT_TRUE(anonymous);
    EXPECT_EQ(anonymous->status, 303);
    EXPECT_EQ(anonymous->get_header_value("Location"), "/login");

    EXPECT_EQ(count("SELECT COUNT(*) FROM stories"), "1");
    EXPECT_EQ(count("SELECT COUNT(*) FROM slides"), "1");
    EXPECT_EQ(QDir(mediaFolder(id)).entryList(QDir::Files).size(), 3);
    EXPECT_EQ(get(detailPath(id))->status, 200);
}

TEST_F(ServiceMyStoriesTest, DeleteWithoutTheSessionsCsrfTokenOrByGetIsRefused)
{
    const long long id = publishAs("ann", "pw", StoryParts::picture(1, "kept"));
    ASSERT_GT(id, 0);
    const std::string cid = std::to_string(id);
    const std::vector<httplib::Params> forms = {{{"cid", cid}},
                                                {{"cid", cid}, {"csrf", ""}},
                                                {{"cid", cid}, {"csrf", std::string(64, '0')}},
                                                {{"cid", cid}, {"csrf", bob->csrf()}}};
    for (const httplib::Params& form : forms) {
        const auto reply = ann->post("/delete", form);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 403);
        EXPECT_TRUE(contains(reply->body, "nothing was changed"));
    }
    // The confirmation page is a GET that only asks; it never deletes.
    EXPECT_EQ(ann->get("/delete?cid=" + cid + "&csrf=" + ann->csrf())->status, 200);
    // A malformed story number names no story.
    for (const std::string bad : {"", "0", "-1", "abc", "1 OR 1=1"})
        EXPECT_EQ(ann->post("/delete", {{"csrf", ann->csrf()}, {"cid", bad}})->status, 404) << bad;

    EXPECT_EQ(count("SELECT COUNT(*) FROM stories"), "1");
    EXPECT_EQ(QDir(mediaFolder(id)).entryList(QDir::Files).size(), 3);
    EXPECT_EQ(get(detailPath(id))->status, 200);
}

} // namespace
