#include "servicefixture.h"
#include "sitebrowser.h"

#include <regex>

namespace {

// A small catalogue in the program's category file format (Latin-1, CRLF lines).
constexpr const char* Categories = "1.0\r\n2\r\n2\r\n1\r\n0\r\n"
                                   "1000000,1,0,Travel\r\n"
                                   "2000000,1,0,Family & Friends\r\n"
                                   "1020000,2,1,Asia\r\n"
                                   "2060000,2,0,Holidays\r\n"
                                   "2060200,3,1,Beach <Days>\r\n";

struct ServiceBrowseTest : ServiceFixture
{
    void SetUp() override
    {
        const QString names = data.write("categories.dat", Categories);
        service = std::make_unique<ServiceProcess>(data.path(), QStringList{"--categories", names});
        ASSERT_TRUE(service->started()) << service->log().toStdString();
        ASSERT_EQ(signUp("ann", "pw"), 200);
    }

    long long publishStory(const std::string& title, const std::string& category = "2060200",
                           const std::string& tags = "sea, sun", const std::string& slideTags = "")
    {
        StoryParts story = StoryParts::picture(1, title);
        story.title = title;
        story.category = category;
        story.tags = tags;
        story.slides[0].tags = slideTags;
        const long long id = storyId(publish("ann", "pw", story));
        EXPECT_GT(id, 0) << title;
        return id;
    }

    std::string body(const std::string& path)
    {
        const auto reply = get(path);
        EXPECT_TRUE(reply) << path;
        EXPECT_EQ(reply ? reply->status : -1, 200) << path;
        return reply ? reply->body : std::string();
    }

    // The titles of the result table's rows, in order.
    std::vector<std::string> titles(const std::string& path)
    {
        static const std::regex row("<tr><td><a href=\"/\\?page=detail&amp;cid=[0-9]+\">([^<]*)</a>");
        const std::string page = body(path);
        std::vector<std::string> found;
        for (auto it = std::sregex_iterator(page.begin(), page.end(), row); it != std::sregex_iterator(); ++it)
            found.push_back((*it)[1].str());
        return found;
    }
};

using Titles = std::vector<std::string>;

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::string entry(long long id, const std::string& name, const std::string& count)
{
    return "<li><a href=\"/browse?category=" + std::to_string(id) + "\">" + name + "</a> <span class=\"count\">" +
           count + "</span>";
}

TEST_F(ServiceBrowseTest, BrowseCountsTheStoriesOfEveryCategoryWithItsSubCategories)
{
    EXPECT_TRUE(contains(body("/browse"), entry(1000000, "Travel", "no stories")));
    publishStory("Sand one", "2060200");
    publishStory("Sand two", "2060200");
    publishStory("Camping", "2060000");
    publishStory("Tokyo", "1020000");
    publishStory("Elsewhere", "17000000");

    const std::string page = body("/browse");
    // Categories nest under their parents, each counting its sub-categories' stories too.
    const std::size_t travel = page.find(entry(1000000, "Travel", "1 story"));
    const std::size_t asia = page.find(entry(1020000, "Asia", "1 story"));
    const std::size_t family = page.find(entry(2000000, "Family &amp; Friends", "3 stories"));
    const std::size_t holidays = page.find(entry(2060000, "Holidays", "3 stories"));
    const std::size_t beach = page.find(entry(2060200, "Beach &lt;Days&gt;", "2 stories"));
    const std::size_t unknown = page.find(entry(17000000, "Category 17000000", "1 story"));
    for (const std::size_t at : {travel, asia, family, holidays, beach, unknown})
        ASSERT_NE(at, std::string::npos) << page;
    EXPECT_LT(travel, asia);
    EXPECT_LT(asia, family);
    EXPECT_LT(family, holidays);
    EXPECT_LT(holidays, beach);
    EXPECT_LT(beach, unknown);
    EXPECT_EQ(page.find("<Days>"), std::string::npos);
    // The header offers browsing and searching.
    EXPECT_TRUE(contains(page, "<a href=\"/browse\">Browse</a><a href=\"/search\">Search</a>"));
}

TEST_F(ServiceBrowseTest, CategoryPageListsItsOwnStoriesAndThoseBelowLatestFirst)
{
    // A known category without stories is an empty list.
    const std::string empty = body("/browse?category=1000000");
    EXPECT_TRUE(contains(empty, "<h1>Travel</h1>"));
    EXPECT_TRUE(contains(empty, entry(1020000, "Asia", "no stories")));
    EXPECT_TRUE(contains(empty, "<p>No stories in this category and its sub-categories yet.</p>"));
    EXPECT_TRUE(titles("/browse?category=1000000").empty());

    publishStory("Sand one", "2060200");
    publishStory("Camping", "2060000");
    publishStory("Sand two", "2060200");
    publishStory("Tokyo", "1020000");

    EXPECT_EQ(titles("/browse?category=2060000"), (Titles{"Sand two", "Camping", "Sand one"}));
    EXPECT_EQ(titles("/browse?category=2000000"), (Titles{"Sand two", "Camping", "Sand one"}));
    EXPECT_EQ(titles("/browse?category=2060200"), (Titles{"Sand two", "Sand one"}));
    EXPECT_EQ(titles("/browse?category=1000000"), (Titles{"Tokyo"}));

    const std::string holidays = body("/browse?category=2060000");
    EXPECT_TRUE(contains(holidays, "<h1>Holidays</h1>"));
    EXPECT_TRUE(contains(holidays, "<a href=\"/browse\">All categories</a> &gt; <a href=\"/browse?category=2000000\">"
                                   "Family &amp; Friends</a>"));
    EXPECT_TRUE(contains(holidays, entry(2060200, "Beach &lt;Days&gt;", "2 stories")));
    EXPECT_TRUE(contains(holidays, "<p>3 stories in this category and its sub-categories.</p>"));
    // The table names each story's category.
    EXPECT_TRUE(contains(holidays, "<td><a href=\"/browse?category=2060200\">Family &amp; Friends &gt; Holidays "
                                   "&gt; Beach &lt;Days&gt;</a></td>"));
    // Other numbers are no category.
    for (const std::string path : {"/browse?category=3000000", "/browse?category=abc", "/browse?category=0",
                                   "/browse?category=-2000000", "/browse?category=2060000&page=0"}) {
        const auto reply = get(path);
        ASSERT_TRUE(reply) << path;
        EXPECT_EQ(reply->status, 404) << path;
    }
}

TEST_F(ServiceBrowseTest, SearchFindsTitlesAndTagsIgnoringCase)
{
    publishStory("Harbour at Dawn", "2060200", "boats, morning");
    publishStory("Old harbour LIGHTS");
    publishStory("Night Sky", "1020000", "Stars;Moon");
    publishStory("Coast walk", "2060200", "sea", "Lighthouse, gulls");
    publishStory("Été à Zoë's");

    EXPECT_EQ(titles("/search?q=HARBOUR"), (Titles{"Old harbour LIGHTS", "Harbour at Dawn"}));
    EXPECT_EQ(titles("/search?q=moon"), (Titles{"Night Sky"}));
    EXPECT_EQ(titles("/search?q=moon&by=title"), Titles{});
    EXPECT_EQ(titles("/search?q=moon&by=tags"), (Titles{"Night Sky"}));
    EXPECT_EQ(titles("/search?q=harbour&by=tags"), Titles{});
    EXPECT_EQ(titles("/search?q=Dawn&by=title"), (Titles{"Harbour at Dawn"}));
    // A slide's tags count as the story's.
    EXPECT_EQ(titles("/search?q=lighthouse&by=tags"), (Titles{"Coast walk"}));
    // "lights" is in a title, "lighthouse" in a tag.
    EXPECT_EQ(titles("/search?q=LIGHT"), (Titles{"Coast walk", "Old harbour LIGHTS"}));
    // Case beyond ASCII: the page's UTF-8 query.
    EXPECT_EQ(titles("/search?q=%C3%89T%C3%89"), (Titles{"Été à Zoë&#39;s"}));
    EXPECT_EQ(titles("/search?q=ZO%C3%8B"), (Titles{"Été à Zoë&#39;s"}));
    // Spaces around the words do not count (the client sends "%20" for a space).
    EXPECT_EQ(titles("/search?q=%20night%20sky%20"), (Titles{"Night Sky"}));

    const std::string none = body("/search?q=volcano");
    EXPECT_TRUE(contains(none, "No story has a title or tags containing &ldquo;volcano&rdquo;."));
    const std::string found = body("/search?q=harbour");
    EXPECT_TRUE(contains(found, "2 stories with a title or tags containing &ldquo;harbour&rdquo;."));
    EXPECT_TRUE(contains(found, "name=\"q\" maxlength=\"100\" value=\"harbour\""));
    // Without words the page is the form.
    const std::string form = body("/search");
    EXPECT_TRUE(contains(form, "<form method=\"get\" action=\"/search\""));
    EXPECT_TRUE(titles("/search?q=").empty());
}

TEST_F(ServiceBrowseTest, SearchTreatsPercentUnderscoreAndBackslashAsPlainCharacters)
{
    publishStory("100% Sea_Life");
    publishStory("1000 Seas");
    publishStory("Sea Life");
    publishStory("Path C:\\photos");
    publishStory("Path C:/photos");

    EXPECT_EQ(titles("/search?q=100%25"), (Titles{"100% Sea_Life"}));
    EXPECT_EQ(titles("/search?q=%25"), (Titles{"100% Sea_Life"}));
    EXPECT_EQ(titles("/search?q=_"), (Titles{"100% Sea_Life"}));
    EXPECT_EQ(titles("/search?q=A_L"), (Titles{"100% Sea_Life"}));
    EXPECT_EQ(titles("/search?q=%25%20sea"), (Titles{"100% Sea_Life"}));
    EXPECT_EQ(titles("/search?q=c%3A%5C"), (Titles{"Path C:\\photos"}));
    EXPECT_EQ(titles("/search?q=%27%20OR%201%3D1%20--"), Titles{});
}

TEST_F(ServiceBrowseTest, SearchShowsUserTextEscaped)
{
    publishStory("<b>Bold</b> harbour & \"quotes\"");
    const std::string found = body("/search?q=%3Cb%3E");
    EXPECT_TRUE(contains(found, ">&lt;b&gt;Bold&lt;/b&gt; harbour &amp; &quot;quotes&quot;</a>"));
    EXPECT_FALSE(contains(found, "<b>Bold"));
    EXPECT_TRUE(contains(found, "containing &ldquo;&lt;b&gt;&rdquo;"));
    EXPECT_TRUE(contains(found, "value=\"&lt;b&gt;\""));
    const std::string script = body("/search?q=%22%3E%3Cscript%3Ealert(1)%3C%2Fscript%3E");
    EXPECT_FALSE(contains(script, "<script>alert"));
    EXPECT_TRUE(contains(script, "value=\"&quot;&gt;&lt;script&gt;alert(1)&lt;/script&gt;\""));
}

TEST_F(ServiceBrowseTest, LongResultListsArePaged)
{
    for (int i = 1; i <= 21; ++i)
        publishStory("Pier " + std::to_string(i), i % 2 ? "2060200" : "2060000");

    const std::string first = body("/search?q=pier");
    EXPECT_TRUE(contains(first, "21 stories with a title or tags containing &ldquo;pier&rdquo;."));
    EXPECT_EQ(titles("/search?q=pier").size(), 20u);
    EXPECT_EQ(titles("/search?q=pier").front(), "Pier 21");
    EXPECT_TRUE(contains(first, "Page 1 of 2 <a rel=\"next\" href=\"/search?q=pier&amp;by=all&amp;page=2\">Next</a>"));
    EXPECT_EQ(titles("/search?q=pier&page=2"), (Titles{"Pier 1"}));
    EXPECT_TRUE(contains(body("/search?q=pier&page=2"),
                         "<a rel=\"prev\" href=\"/search?q=pier&amp;by=all&amp;page=1\">Previous</a> Page 2 of 2"));
    EXPECT_TRUE(titles("/search?q=pier&page=3").empty());
    // The words travel in the links encoded.
    EXPECT_TRUE(contains(body("/search?q=PIER%20&by=title"), "href=\"/search?q=PIER&amp;by=title&amp;page=2\""));
    publishStory("Pier & more", "2060000");
    EXPECT_TRUE(contains(body("/search?q=pier%20%26"), "<p>1 story with"));

    // A category's list is paged the same way.
    EXPECT_EQ(titles("/browse?category=2000000").size(), 20u);
    EXPECT_EQ(titles("/browse?category=2000000&page=2").size(), 2u);
    EXPECT_TRUE(contains(body("/browse?category=2000000"), "href=\"/browse?category=2000000&amp;page=2\">Next</a>"));
    EXPECT_EQ(get("/search?q=pier&page=x")->status, 404);
}

TEST_F(ServiceBrowseTest, SearchRefusesWordsItCannotUse)
{
    const auto tooLong = get("/search?q=" + std::string(101, 'a'));
    ASSERT_TRUE(tooLong);
    EXPECT_EQ(tooLong->status, 400);
    EXPECT_TRUE(contains(tooLong->body, "Please search for at most 100 characters."));
    EXPECT_EQ(get("/search?q=" + std::string(100, 'a'))->status, 200);
    const auto broken = get("/search?q=%FF%FE");
    ASSERT_TRUE(broken);
    EXPECT_EQ(broken->status, 400);
    EXPECT_TRUE(contains(broken->body, "The search words are not valid text."));
}

} // namespace
