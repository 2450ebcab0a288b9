#include "servicefixture.h"
#include "sitebrowser.h"
#include "testdatabase.h"

#include <QDir>

#include <ctime>
#include <regex>

namespace {

struct ServiceSessionTest : ServiceFixture
{
    void SetUp() override
    {
        ServiceFixture::SetUp();
        ASSERT_EQ(signUp("ann", "pw"), 200);
        ASSERT_EQ(signUp("bob", "pw2"), 200);
    }

    QString databaseFile() const { return data.path() + "pictorelle.db"; }

    std::string sessionRows() { return TestDatabase(databaseFile()).value("SELECT COUNT(*) FROM sessions"); }
};

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The account links of the site's header on a page.
std::string accountLinks(const std::string& page)
{
    const std::size_t start = page.find("<span class=\"account\">");
    const std::size_t end = page.find("</span>", start);
    return start == std::string::npos || end == std::string::npos ? std::string() : page.substr(start, end - start);
}

TEST_F(ServiceSessionTest, LogInSetsAnHttpOnlySameSiteCookieAndTheHeaderNamesTheAuthor)
{
    // GIVEN the log-in page
    const auto form = get("/login");
    ASSERT_TRUE(form);
    EXPECT_EQ(form->status, 200);
    EXPECT_TRUE(contains(form->body, "<form method=\"post\" action=\"/login\""));
    EXPECT_TRUE(contains(form->body, "type=\"password\" name=\"password\""));
    EXPECT_TRUE(contains(accountLinks(form->body), "<a href=\"/login\">Log in</a>"));
    EXPECT_TRUE(contains(accountLinks(form->body), "<a href=\"/?page=login\">Sign up</a>"));
    // WHEN ann logs in with her plain password
    SiteBrowser browser(*service);
    const auto reply = browser.logIn("ann", "pw");
    // THEN she is sent to her stories with a session cookie scripts cannot read
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 303);
    EXPECT_EQ(reply->get_header_value("Location"), "/mine");
    const std::string cookie = reply->get_header_value("Set-Cookie");
    EXPECT_TRUE(std::regex_match(cookie, std::regex("pictorelle_session=[0-9a-f]{64}; .*"))) << cookie;
    EXPECT_TRUE(contains(cookie, "; HttpOnly")) << cookie;
    EXPECT_TRUE(contains(cookie, "; SameSite=Lax")) << cookie;
    EXPECT_TRUE(contains(cookie, "; Path=/")) << cookie;
    EXPECT_TRUE(contains(cookie, "; Max-Age=1209600")) << cookie;
    // AND every page's header offers her stories and logging out under her name
    for (const std::string path : {"/", "/mine", "/browse", "/search?q=x", "/?page=detail&cid=99", "/nowhere"}) {
        const auto page = browser.get(path);
        ASSERT_TRUE(page) << path;
        const std::string links = accountLinks(page->body);
        EXPECT_TRUE(contains(links, "<a href=\"/mine\">My stories</a>")) << path << links;
        EXPECT_TRUE(contains(links, "<form method=\"post\" action=\"/logout\">")) << path << links;
        EXPECT_TRUE(contains(links, "Log out (ann)</button>")) << path << links;
        EXPECT_FALSE(contains(links, "Log in")) << path << links;
        EXPECT_EQ(page->get_header_value("Cache-Control"), "private, no-store") << path;
    }
    // AND two log-ins are two sessions, each with its own csrf token
    SiteBrowser again(*service);
    ASSERT_EQ(again.logIn("ann", "pw")->status, 303);
    EXPECT_NE(again.cookie, browser.cookie);
    EXPECT_NE(again.csrf(), browser.csrf());
    EXPECT_EQ(browser.csrf().size(), 64u);
}

TEST_F(ServiceSessionTest, WrongPasswordOrUnknownNameSetsNoCookie)
{
    const std::vector<std::pair<std::string, std::string>> attempts = {
        {"ann", "PW"}, {"ann", ""}, {"ann", "pw2"}, {"nobody", "pw"}, {"", ""}, {"ann", md5Hex("pw")}};
    for (const auto& [name, password] : attempts) {
        SiteBrowser browser(*service);
        const auto reply = browser.logIn(name, password);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 403) << name << "/" << password;
        EXPECT_FALSE(reply->has_header("Set-Cookie")) << name << "/" << password;
        EXPECT_TRUE(contains(reply->body, "Wrong user name or password.")) << name << "/" << password;
    }
    // The name is offered again, escaped.
    const auto reply = service->client()->Post("/login", httplib::Params{{"username", "<i>x"}, {"password", "p"}});
    ASSERT_TRUE(reply);
    EXPECT_TRUE(contains(reply->body, "value=\"&lt;i&gt;x\""));
    EXPECT_EQ(sessionRows(), "0");
}

TEST_F(ServiceSessionTest, UserMadeByTheCommandLogsInWithTheSamePasswordItPublishesWith)
{
    ASSERT_EQ(runService({"--data", data.path(), "--add-user", "Zoë"}, "pässwörd\n").code, 0);
    SiteBrowser browser(*service);
    EXPECT_EQ(browser.logIn("Zoë", "pässwörd")->status, 303);
    EXPECT_TRUE(contains(browser.get("/mine")->body, "Log out (Zoë)"));
    EXPECT_TRUE(verify("Zoë", "pässwörd").starts_with("OKAY,"));
    // The Latin-1 bytes of the same password are another password, as for publishing.
    EXPECT_EQ(SiteBrowser(*service).logIn("Zoë", "p\xE4sswörd")->status, 403);
}

TEST_F(ServiceSessionTest, SessionIsKeptInTheDatabaseAndSurvivesARestart)
{
    SiteBrowser browser(*service);
    ASSERT_EQ(browser.logIn("ann", "pw")->status, 303);
    const std::string token = browser.cookie.substr(browser.cookie.find('=') + 1);
    // The database holds the session, but not its token: the file alone cannot log anyone in.
    {
        TestDatabase database(databaseFile());
        const auto rows = database.rows("SELECT s.token_hash, u.name, s.expires - s.created FROM sessions s "
                                        "JOIN users u ON u.id = s.user_id");
        ASSERT_EQ(rows.size(), 1u) << database.error();
        EXPECT_NE(rows[0][0], token);
        EXPECT_EQ(rows[0][0].size(), 64u);
        EXPECT_EQ(rows[0][1], "ann");
        EXPECT_EQ(rows[0][2], "1209600");
        EXPECT_EQ(database.value("SELECT COUNT(*) FROM sessions WHERE token_hash || csrf LIKE '%" + token + "%'"), "0");
    }
    const std::string csrf = browser.csrf();
    // WHEN the service stops and starts again over the same data
    ASSERT_EQ(service->stop(), 0);
    service = std::make_unique<ServiceProcess>(data.path());
    ASSERT_TRUE(service->started());
    browser.use(*service);
    // THEN the same cookie is still ann's session, with the same form token
    const auto mine = browser.get("/mine");
    ASSERT_TRUE(mine);
    EXPECT_EQ(mine->status, 200);
    EXPECT_TRUE(contains(mine->body, "Log out (ann)"));
    EXPECT_EQ(csrfOf(mine->body), csrf);
}

TEST_F(ServiceSessionTest, LogOutEndsTheSessionSoTheOldCookieNoLongerWorks)
{
    SiteBrowser browser(*service);
    ASSERT_EQ(browser.logIn("ann", "pw")->status, 303);
    SiteBrowser other(*service);
    ASSERT_EQ(other.logIn("bob", "pw2")->status, 303);
    const std::string oldCookie = browser.cookie;
    ASSERT_EQ(sessionRows(), "2");

    const auto reply = browser.post("/logout", {{"csrf", browser.csrf()}});
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 303);
    EXPECT_EQ(reply->get_header_value("Location"), "/");
    EXPECT_TRUE(contains(reply->get_header_value("Set-Cookie"), "pictorelle_session=; Max-Age=0"));
    EXPECT_TRUE(browser.cookie.empty());
    // The row is gone, bob's stays.
    EXPECT_EQ(sessionRows(), "1");
    EXPECT_EQ(TestDatabase(databaseFile()).value("SELECT u.name FROM sessions s JOIN users u ON u.id = s.user_id"),
              "bob");
    // Replaying the old cookie is a visitor without a session.
    browser.cookie = oldCookie;
    const auto mine = browser.get("/mine");
    ASSERT_TRUE(mine);
    EXPECT_EQ(mine->status, 303);
    EXPECT_EQ(mine->get_header_value("Location"), "/login");
    const auto home = browser.get("/");
    EXPECT_TRUE(contains(accountLinks(home->body), "Log in"));
    EXPECT_FALSE(contains(home->body, "Log out"));
    // Logging out again is harmless.
    browser.cookie = oldCookie;
    EXPECT_EQ(browser.post("/logout", {{"csrf", "x"}})->status, 303);
    EXPECT_TRUE(contains(other.get("/mine")->body, "Log out (bob)"));
}

TEST_F(ServiceSessionTest, LogOutWithoutTheSessionsCsrfTokenIsRefused)
{
    SiteBrowser ann(*service);
    ASSERT_EQ(ann.logIn("ann", "pw")->status, 303);
    SiteBrowser bob(*service);
    ASSERT_EQ(bob.logIn("bob", "pw2")->status, 303);
    const std::string annToken = ann.csrf();
    const std::string bobToken = bob.csrf();
    ASSERT_FALSE(annToken.empty());

    std::string wrong = annToken;
    wrong.back() = wrong.back() == '0' ? '1' : '0';
    const std::vector<httplib::Params> forms = {
        {}, {{"csrf", ""}}, {{"csrf", wrong}}, {{"csrf", bobToken}}, {{"csrf", annToken.substr(0, 63)}}};
    for (const httplib::Params& form : forms) {
        const auto reply = ann.post("/logout", form);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 403);
        EXPECT_FALSE(reply->has_header("Set-Cookie"));
    }
    // Logging out is a POST only.
    const auto viaGet = ann.get("/logout?csrf=" + annToken);
    ASSERT_TRUE(viaGet);
    EXPECT_EQ(viaGet->status, 405);
    EXPECT_EQ(viaGet->get_header_value("Allow"), "POST");
    // Both sessions still work.
    EXPECT_EQ(sessionRows(), "2");
    EXPECT_EQ(ann.get("/mine")->status, 200);
    EXPECT_EQ(bob.get("/mine")->status, 200);
}

TEST_F(ServiceSessionTest, ExpiredAndForgedCookiesAreNoSession)
{
    SiteBrowser browser(*service);
    ASSERT_EQ(browser.logIn("ann", "pw")->status, 303);
    ASSERT_EQ(browser.get("/mine")->status, 200);
    ASSERT_TRUE(
        TestDatabase(databaseFile()).exec("UPDATE sessions SET expires = " + std::to_string(std::time(nullptr) - 1)));
    EXPECT_EQ(browser.get("/mine")->status, 303);

    for (const std::string& cookie : {"pictorelle_session=" + std::string(64, 'a'), std::string("pictorelle_session="),
                                      std::string("pictorelle_session=' OR 1=1 --"), std::string("other=1")}) {
        browser.cookie = cookie;
        const auto reply = browser.get("/mine");
        ASSERT_TRUE(reply) << cookie;
        EXPECT_EQ(reply->status, 303) << cookie;
    }
    // A new log-in sweeps the expired session away.
    ASSERT_EQ(browser.logIn("ann", "pw")->status, 303);
    EXPECT_EQ(sessionRows(), "1");
}

TEST_F(ServiceSessionTest, LoggingInAgainReplacesTheBrowsersSession)
{
    SiteBrowser browser(*service);
    ASSERT_EQ(browser.logIn("ann", "pw")->status, 303);
    const std::string first = browser.cookie;
    ASSERT_EQ(browser.logIn("bob", "pw2")->status, 303);
    EXPECT_NE(browser.cookie, first);
    EXPECT_TRUE(contains(browser.get("/mine")->body, "Log out (bob)"));
    EXPECT_EQ(sessionRows(), "1");
    browser.cookie = first;
    EXPECT_EQ(browser.get("/mine")->status, 303);
}

// The tables of a service from before the site had log-ins.
constexpr const char* SchemaWithoutSessions = R"sql(
PRAGMA journal_mode = WAL;
CREATE TABLE users (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL UNIQUE, digest TEXT NOT NULL,
    created INTEGER NOT NULL);
CREATE TABLE codes (code TEXT PRIMARY KEY, user_id INTEGER NOT NULL REFERENCES users(id),
    num_slides INTEGER NOT NULL, expires_ms INTEGER NOT NULL, used INTEGER NOT NULL DEFAULT 0);
CREATE TABLE stories (id INTEGER PRIMARY KEY AUTOINCREMENT, user_id INTEGER NOT NULL REFERENCES users(id),
    type INTEGER NOT NULL, title TEXT NOT NULL, description TEXT NOT NULL, tags TEXT NOT NULL,
    category INTEGER NOT NULL, language TEXT NOT NULL, transcript TEXT, revision INTEGER NOT NULL,
    published INTEGER NOT NULL, seq INTEGER NOT NULL);
CREATE INDEX stories_by_seq ON stories(seq);
CREATE TABLE slides (story_id INTEGER NOT NULL REFERENCES stories(id) ON DELETE CASCADE,
    position INTEGER NOT NULL, caption TEXT NOT NULL, tags TEXT NOT NULL, photo TEXT, thumb TEXT,
    audio TEXT NOT NULL, seconds INTEGER NOT NULL, PRIMARY KEY (story_id, position));
)sql";

TEST(ServiceDatabaseTest, FileOfAnOlderServiceIsUpgradedAndKeepsItsUsersAndStories)
{
    if (testingPostgres())
        GTEST_SKIP() << "builds the SQLite file of an older service; storage_test upgrades PostgreSQL databases";
    // GIVEN the data folder of a service from before sessions, with a user and a story
    TempFolder data;
    const QString file = data.path() + "pictorelle.db";
    {
        TestDatabase old(file);
        ASSERT_TRUE(old.exec(SchemaWithoutSessions)) << old.error();
        ASSERT_TRUE(old.exec("INSERT INTO users (name, digest, created) VALUES ('ann', '" + md5Hex("pw") +
                             "', 1700000000);"
                             "INSERT INTO stories VALUES (7, 1, 1, 'Old trip', 'Long ago', 'old, sea', 2060200, "
                             "'English', NULL, 3, 1700000100, 4);"
                             "INSERT INTO slides VALUES (7, 0, 'First light', 'dawn', 'r3-0.jpg', 'r3-0_t.jpg', "
                             "'r3-0.mp3', 12);"))
            << old.error();
        ASSERT_EQ(old.value("PRAGMA user_version"), "0");
    }
    data.write("media/7/r3-0.jpg", QByteArray::fromStdString(jpegBytes("old photo")));
    data.write("media/7/r3-0_t.jpg", QByteArray::fromStdString(jpegBytes("old thumb")));
    data.write("media/7/r3-0.mp3", QByteArray::fromStdString(mp3Bytes("old narration")));

    // WHEN today's service opens it
    ServiceProcess service(data.path());
    ASSERT_TRUE(service.started()) << service.log().toStdString();
    // THEN the user still publishes and the story still plays
    const auto verified = service.client()->Post("/?action=verify", verifyParts("ann", md5Hex("pw"), "1"));
    ASSERT_TRUE(verified);
    EXPECT_TRUE(verified->body.starts_with("OKAY,")) << verified->body;
    const auto page = service.client()->Get("/?page=detail&cid=7");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_TRUE(contains(page->body, "<h1>Old trip</h1>"));
    EXPECT_TRUE(contains(page->body, "First light"));
    EXPECT_EQ(service.client()->Get("/media/7/r3-0.mp3")->body, mp3Bytes("old narration"));
    // AND the user logs in to the site, finds the story among hers, and it can be found
    SiteBrowser browser(service);
    ASSERT_EQ(browser.logIn("ann", "pw")->status, 303);
    EXPECT_TRUE(contains(browser.get("/mine")->body, ">Old trip</a>"));
    EXPECT_TRUE(contains(browser.get("/search?q=OLD")->body, ">Old trip</a>"));
    ASSERT_EQ(service.stop(), 0);
    TestDatabase upgraded(file);
    EXPECT_EQ(upgraded.value("PRAGMA user_version"), "2");
    // The digest row was replaced by a hash at the first log-in.
    EXPECT_TRUE(upgraded.value("SELECT digest FROM users WHERE name = 'ann'").starts_with("$argon2id$"));
    EXPECT_EQ(upgraded.value("SELECT COUNT(*) FROM sessions"), "1");
    EXPECT_EQ(upgraded.value("SELECT title || '/' || revision || '/' || seq FROM stories"), "Old trip/3/4");
    EXPECT_EQ(upgraded.value("SELECT COUNT(*) FROM slides WHERE story_id = 7"), "1");
    // AND opening it again changes nothing more
    ServiceProcess again(data.path());
    ASSERT_TRUE(again.started()) << again.log().toStdString();
    browser.use(again);
    EXPECT_EQ(browser.get("/mine")->status, 200);
}

TEST(ServiceDatabaseTest, FileOfANewerServiceIsLeftAlone)
{
    if (testingPostgres())
        GTEST_SKIP() << "builds the SQLite file of an older service; storage_test upgrades PostgreSQL databases";
    TempFolder data;
    const QString file = data.path() + "pictorelle.db";
    {
        TestDatabase newer(file);
        ASSERT_TRUE(newer.exec(SchemaWithoutSessions)) << newer.error();
        ASSERT_TRUE(newer.exec("PRAGMA user_version = 99")) << newer.error();
    }
    const CommandRun run = runService({"--data", data.path(), "--add-user", "ann"}, "pw\n");
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains("newer pictorelle-web")) << run.err.toStdString();
    TestDatabase newer(file);
    EXPECT_EQ(newer.value("SELECT COUNT(*) FROM users"), "0");
    EXPECT_EQ(newer.value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'sessions'"), "0");
}

} // namespace
