#include "servicefixture.h"

#include <QCryptographicHash>

#include <filesystem>
#include <regex>
#include <set>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

using ServiceHardeningTest = ServiceFixture;

// The service started under a umask that lets everyone read, on a data folder left open to
// others by an older service.
struct ServicePrivateDataTest : ServiceFixture
{
    mode_t savedMask = 0;

    void SetUp() override
    {
        savedMask = ::umask(022);
        const fs::path folder = data.path().toStdString();
        fs::permissions(folder, fs::perms(0755));
        fs::create_directory(folder / "old");
        fs::permissions(folder / "old", fs::perms(0755));
        data.write("old/notes.txt", "left over");
        fs::permissions(folder / "old" / "notes.txt", fs::perms(0644));
        ServiceFixture::SetUp();
    }

    void TearDown() override { ::umask(savedMask); }
};

TEST_F(ServicePrivateDataTest, EverythingInTheDataFolderIsForTheServicesUserOnly)
{
    // WHEN a story is published, so that the database, its journal and media files exist
    ASSERT_EQ(signUp("ann", "pw"), 200);
    ASSERT_GT(storyId(publish("ann", "pw", StoryParts::picture(2, "private"))), 0);
    // THEN every folder is 0700 and every file 0600, the old ones included
    const fs::path folder = data.path().toStdString();
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms(0700));
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        // The test's own capture of the service's log is no file of the service's.
        if (entry.path().filename() == "service.log")
            continue;
        const fs::perms mode = entry.symlink_status().permissions() & fs::perms::all;
        SCOPED_TRACE(entry.path().string());
        if (entry.is_directory()) {
            EXPECT_EQ(mode, fs::perms(0700));
        } else {
            EXPECT_EQ(mode, fs::perms(0600));
            ++files;
        }
    }
    // (two pictures, two thumbnails, two narrations and the old note at least)
    EXPECT_GE(files, 7);
    // AND the log says that an open folder was closed
    EXPECT_TRUE(service->log().contains("were open to other users")) << service->log().toStdString();
}

TEST_F(ServiceHardeningTest, AddUserTakesThePasswordOnStandardInputOnly)
{
    // A line ending in CR LF, and a last line without an end, are the password without them.
    const CommandRun added = runService({"--data", data.path(), "--add-user", "bob"}, "s3cret\r\n");
    EXPECT_EQ(added.code, 0) << added.err.toStdString();
    EXPECT_EQ(added.out, "added user bob\n");
    EXPECT_TRUE(verify("bob", "s3cret").starts_with("OKAY,"));
    EXPECT_EQ(runService({"--add-user", "eve", "--data", data.path()}, "no end").code, 0);
    EXPECT_TRUE(verify("eve", "no end").starts_with("OKAY,"));
    // The old form with the password on the command line is a usage error that says what to do.
    const CommandRun old = runService({"--data", data.path(), "--add-user", "cy", "pw"}, "pw\n");
    EXPECT_EQ(old.code, 2);
    EXPECT_TRUE(old.err.contains("standard input")) << old.err.toStdString();
    EXPECT_EQ(verify("cy", "pw"), "Wrong user name or password.");
    // Nothing on standard input adds nobody.
    const CommandRun none = runService({"--data", data.path(), "--add-user", "dee"});
    EXPECT_EQ(none.code, 1);
    EXPECT_TRUE(none.err.contains("standard input")) << none.err.toStdString();
    EXPECT_EQ(signUp("dee", "pw"), 200);
}

std::string between(const std::string& page, const std::string& open, const std::string& close)
{
    const std::size_t start = page.find(open);
    if (start == std::string::npos)
        return {};
    const std::size_t end = page.find(close, start + open.size());
    return end == std::string::npos ? std::string() : page.substr(start + open.size(), end - start - open.size());
}

std::string sourceHash(const std::string& text)
{
    return "'sha256-" +
           QCryptographicHash::hash(QByteArray::fromStdString(text), QCryptographicHash::Sha256)
               .toBase64()
               .toStdString() +
           "'";
}

TEST_F(ServiceHardeningTest, EveryPageForbidsFramingAndAllowsOnlyItsOwnScriptAndStyle)
{
    ASSERT_EQ(signUp("ann", "pw"), 200);
    const long long picture = storyId(publish("ann", "pw", StoryParts::picture(2, "policy")));
    const long long podcast = storyId(publish("ann", "pw", StoryParts::podcast("Words", "policy")));
    ASSERT_GT(picture, 0);
    ASSERT_GT(podcast, 0);
    const std::vector<std::string> pages = {"/",
                                            "/?page=detail&cid=" + std::to_string(picture),
                                            "/?page=detail&cid=" + std::to_string(podcast),
                                            "/login",
                                            "/?page=login",
                                            "/browse",
                                            "/search?q=policy",
                                            "/?page=check&ver=1.0",
                                            "/no/such/page",
                                            "/?page=detail&cid=999"};
    std::string policy;
    for (const std::string& path : pages) {
        SCOPED_TRACE(path);
        const auto reply = get(path);
        ASSERT_TRUE(reply);
        ASSERT_TRUE(reply->get_header_value("Content-Type").starts_with("text/html"));
        EXPECT_EQ(reply->get_header_value("X-Frame-Options"), "DENY");
        EXPECT_EQ(reply->get_header_value("X-Content-Type-Options"), "nosniff");
        const std::string pagePolicy = reply->get_header_value("Content-Security-Policy");
        EXPECT_NE(pagePolicy.find("default-src 'none'"), std::string::npos) << pagePolicy;
        EXPECT_NE(pagePolicy.find("frame-ancestors 'none'"), std::string::npos) << pagePolicy;
        EXPECT_EQ(pagePolicy.find("unsafe"), std::string::npos) << pagePolicy;
        // The page's inline style sheet is the one the policy names.
        const std::string style = between(reply->body, "<style>", "</style>");
        ASSERT_FALSE(style.empty());
        EXPECT_NE(pagePolicy.find("style-src " + sourceHash(style)), std::string::npos) << pagePolicy;
        policy = pagePolicy;
    }
    // AND the story pages' player script is the one the policy names
    for (const long long id : {picture, podcast}) {
        const std::string page = get("/?page=detail&cid=" + std::to_string(id))->body;
        const std::string script = between(page, "<script>", "</script>");
        ASSERT_FALSE(script.empty());
        EXPECT_NE(policy.find("script-src " + sourceHash(script)), std::string::npos) << policy;
    }
    // AND the pages load nothing from elsewhere, nor inline handlers the policy would block
    const std::string detail = get("/?page=detail&cid=" + std::to_string(picture))->body;
    EXPECT_EQ(detail.find(" style=\""), std::string::npos);
    EXPECT_EQ(detail.find(" onclick="), std::string::npos);
    EXPECT_EQ(detail.find("src=\"http"), std::string::npos);
}

std::vector<std::string> listedTitles(const std::string& page)
{
    static const std::regex row("cid=[0-9]+\">(S[0-9]{2})</a>");
    std::vector<std::string> titles;
    for (auto it = std::sregex_iterator(page.begin(), page.end(), row); it != std::sregex_iterator(); ++it)
        titles.push_back((*it)[1].str());
    return titles;
}

std::vector<std::string> titlesFrom(int newest, int oldest)
{
    std::vector<std::string> titles;
    for (int i = newest; i >= oldest; --i)
        titles.push_back((i < 10 ? "S0" : "S") + std::to_string(i));
    return titles;
}

TEST_F(ServiceHardeningTest, TheIndexShowsTwentyStoriesAPageNewestFirst)
{
    ASSERT_EQ(signUp("ann", "pw"), 200);
    EXPECT_EQ(get("/")->body.find("Page 1 of"), std::string::npos);
    for (int i = 0; i < 45; ++i) {
        StoryParts story = StoryParts::picture(1, "page" + std::to_string(i));
        story.title = (i < 10 ? "S0" : "S") + std::to_string(i);
        ASSERT_GT(storyId(publish("ann", "pw", story)), 0);
    }
    // The three pages hold each story once, newest first, and link to each other.
    const std::string first = get("/")->body;
    EXPECT_EQ(listedTitles(first), titlesFrom(44, 25));
    EXPECT_NE(first.find("Page 1 of 3 <a rel=\"next\" href=\"/?p=2\">Next</a>"), std::string::npos) << first;
    EXPECT_EQ(first.find("Previous"), std::string::npos);
    const std::string second = get("/?p=2")->body;
    EXPECT_EQ(listedTitles(second), titlesFrom(24, 5));
    EXPECT_NE(second.find("<a rel=\"prev\" href=\"/?p=1\">Previous</a> Page 2 of 3 <a rel=\"next\" "
                          "href=\"/?p=3\">Next</a>"),
              std::string::npos);
    const std::string last = get("/?p=3")->body;
    EXPECT_EQ(listedTitles(last), titlesFrom(4, 0));
    EXPECT_NE(last.find("Page 3 of 3</p>"), std::string::npos);
    // A page number that is none shows the first page; one past the end shows the last.
    for (const std::string path : {"/?p=abc", "/?p=0", "/?p=-2", "/?p=", "/?p=1%27%20OR%201=1", "/?p=2.5"}) {
        const auto reply = get(path);
        ASSERT_TRUE(reply) << path;
        EXPECT_EQ(reply->status, 200) << path;
        EXPECT_EQ(listedTitles(reply->body), titlesFrom(44, 25)) << path;
    }
    for (const std::string path : {"/?p=4", "/?p=1000000", "/?p=99999999999999999999"}) {
        const auto reply = get(path);
        ASSERT_TRUE(reply) << path;
        EXPECT_EQ(reply->status, 200) << path;
        EXPECT_EQ(listedTitles(reply->body), titlesFrom(4, 0)) << path;
        EXPECT_NE(reply->body.find("Page 3 of 3"), std::string::npos) << path;
    }
}

} // namespace

TEST_F(ServiceHardeningTest, ASignalRightAfterStartingStopsTheService)
{
    // A signal that comes before the server's loop runs must not be lost: the service would
    // then run on until killed.
    service->stop();
    for (int round = 0; round < 5; ++round) {
        ServiceProcess started(data.path());
        ASSERT_TRUE(started.started()) << started.log().toStdString();
        EXPECT_EQ(started.stop(), 0) << "round " << round << "\n" << started.log().toStdString();
    }
}
