#include "servicefixture.h"
#include "sitebrowser.h"
#include "testdatabase.h"

#include <chrono>
#include <latch>
#include <regex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

const std::string Wrong = "Wrong user name or password.";

std::string accountRefusal(const std::string& wait)
{
    return "Too many failed log-ins for this account. Please try again in " + wait + ".";
}

std::string addressRefusal(const std::string& wait)
{
    return "Too many failed log-ins from this address. Please try again in " + wait + ".";
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

//! A service whose back-off times are divided by scale (1: the real times).
struct BackoffFixture : ServiceFixture
{
    explicit BackoffFixture(int scale) : m_scale(scale) {}

    void SetUp() override
    {
        service = std::make_unique<ServiceProcess>(data.path(),
                                                   QStringList{"--login-backoff-scale", QString::number(m_scale)});
        ASSERT_TRUE(service->started()) << service->log().toStdString();
        ASSERT_EQ(signUp("ann", "pw"), 200);
    }

    std::string query(const std::string& sql) { return TestDatabase(data.path() + "pictorelle.db").value(sql); }
    void change(const std::string& sql)
    {
        TestDatabase database(data.path() + "pictorelle.db");
        ASSERT_TRUE(database.exec(sql)) << database.error();
    }
    //! Milliseconds the account's attempts wait after its last counted failure.
    std::string accountWait(const std::string& name)
    {
        return query("SELECT blocked_until - last_failure FROM login_failures WHERE scope = 'account' AND key = '" +
                     name + "'");
    }
    //! Ends the account's wait as if its time had passed, keeping its count.
    void endWait(const std::string& name)
    {
        change("UPDATE login_failures SET blocked_until = 0 WHERE key = '" + name + "'");
    }
    //! Sends the verify request again until it is no longer refused; its reply.
    std::string verifyOnceTaken(const std::string& name, const std::string& password, const std::string& refusal)
    {
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        for (;;) {
            const std::string reply = verify(name, password);
            if (reply != refusal || Clock::now() > deadline)
                return reply;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

private:
    int m_scale;
};

// Two: the first wait is half a second.
struct ServiceLoginBackoffTest : BackoffFixture
{
    ServiceLoginBackoffTest() : BackoffFixture(2) {}
};

// The real times; the tests never wait for them to pass.
struct ServiceLoginBackoffRealTimesTest : BackoffFixture
{
    ServiceLoginBackoffRealTimesTest() : BackoffFixture(1) {}
};

TEST_F(ServiceLoginBackoffTest, FiveWrongPasswordsMakeTheRightOneWaitThenItIsTaken)
{
    // GIVEN five wrong passwords for ann
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(verify("ann", "guess" + std::to_string(i)), Wrong);
    const auto fifth = Clock::now();
    ASSERT_EQ(verify("ann", "guess4"), Wrong);
    // WHEN the right password comes at once
    const std::string refused = verify("ann", "pw");
    // THEN it is refused without being looked at, with a sentence the program shows
    EXPECT_EQ(refused, accountRefusal("1 second"));
    EXPECT_LT(refused.size(), 100u);
    // AND once the wait is over it is taken
    EXPECT_TRUE(verifyOnceTaken("ann", "pw", refused).starts_with("OKAY,"));
    EXPECT_GE(Clock::now() - fifth, std::chrono::milliseconds(500));
    // AND the success forgets the account's failures
    EXPECT_EQ(query("SELECT COUNT(*) FROM login_failures WHERE scope = 'account'"), "0");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(verify("ann", "again" + std::to_string(i)), Wrong);
    EXPECT_TRUE(verify("ann", "pw").starts_with("OKAY,"));
}

TEST_F(ServiceLoginBackoffTest, SiteLogInIsHeldBackAlikeAndSharesTheCountWithPublishing)
{
    // GIVEN three wrong passwords from the program and two on the site
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(verify("ann", "guess" + std::to_string(i)), Wrong);
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(SiteBrowser(*service).logIn("ann", "guess")->status, 403);
    const auto fifth = Clock::now();
    // WHEN the right password is typed on the form at once
    SiteBrowser browser(*service);
    const auto refused = browser.logIn("ann", "pw");
    // THEN the form comes back with the same sentence, no session and when to come again
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 429);
    EXPECT_TRUE(contains(refused->body, "<p class=\"error\">" + accountRefusal("1 second") + "</p>"));
    EXPECT_TRUE(contains(refused->body, "<form method=\"post\" action=\"/login\""));
    EXPECT_TRUE(contains(refused->body, "value=\"ann\""));
    EXPECT_FALSE(refused->has_header("Set-Cookie"));
    EXPECT_EQ(refused->get_header_value("Retry-After"), "1");
    // AND publishing is held back too
    EXPECT_EQ(verify("ann", "pw"), accountRefusal("1 second"));
    // AND once the wait is over the form logs in
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    int status = 0;
    while ((status = browser.logIn("ann", "pw")->status) == 429 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(status, 303);
    EXPECT_GE(Clock::now() - fifth, std::chrono::milliseconds(500));
    EXPECT_TRUE(contains(browser.get("/mine")->body, "Log out (ann)"));
}

TEST_F(ServiceLoginBackoffRealTimesTest, EachFurtherFailureDoublesTheWaitUpToFifteenMinutes)
{
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(verify("ann", "guess"), Wrong);
    EXPECT_EQ(accountWait("ann"), "1000");
    EXPECT_EQ(verify("ann", "pw"), accountRefusal("1 second"));
    // A refused attempt is not counted: the wait stays.
    EXPECT_EQ(query("SELECT failures FROM login_failures WHERE key = 'ann'"), "5");
    // WHEN the wait is over and the next password is wrong too THEN the next wait is twice as long
    endWait("ann");
    EXPECT_EQ(verify("ann", "guess"), Wrong);
    EXPECT_EQ(accountWait("ann"), "2000");
    EXPECT_EQ(verify("ann", "pw"), accountRefusal("2 seconds"));
    endWait("ann");
    EXPECT_EQ(verify("ann", "guess"), Wrong);
    EXPECT_EQ(accountWait("ann"), "4000");
    // AND after 13 failures it is 256 s, shown in whole minutes rounded up
    change("UPDATE login_failures SET failures = 12, blocked_until = 0 WHERE key = 'ann'");
    EXPECT_EQ(verify("ann", "guess"), Wrong);
    EXPECT_EQ(accountWait("ann"), "256000");
    EXPECT_EQ(verify("ann", "pw"), accountRefusal("5 minutes"));
    // AND it never grows beyond 15 minutes
    change("UPDATE login_failures SET failures = 40, blocked_until = 0 WHERE key = 'ann'");
    EXPECT_EQ(verify("ann", "guess"), Wrong);
    EXPECT_EQ(accountWait("ann"), "900000");
    EXPECT_EQ(verify("ann", "pw"), accountRefusal("15 minutes"));
    // AND failures long past are forgotten: the next one counts as the first
    change("UPDATE login_failures SET blocked_until = 0, last_failure = last_failure - 15 * 60 * 1000 "
           "WHERE key = 'ann'");
    EXPECT_EQ(verify("ann", "guess"), Wrong);
    EXPECT_EQ(query("SELECT failures FROM login_failures WHERE key = 'ann'"), "1");
    EXPECT_TRUE(verify("ann", "pw").starts_with("OKAY,"));
}

TEST_F(ServiceLoginBackoffRealTimesTest, SuccessClearsTheAccountsCountButNotTheAddresssFailures)
{
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 4; ++i)
            ASSERT_EQ(verify("ann", "guess"), Wrong) << round;
        ASSERT_TRUE(verify("ann", "pw").starts_with("OKAY,")) << round;
    }
    EXPECT_EQ(query("SELECT COUNT(*) FROM login_failures WHERE scope = 'account'"), "0");
    EXPECT_EQ(query("SELECT failures FROM login_failures WHERE scope = 'address' AND key = '127.0.0.1'"), "12");
}

TEST_F(ServiceLoginBackoffRealTimesTest, TwentyFailuresFromOneAddressOverAllAccountsMakeItWait)
{
    // GIVEN twenty wrong passwords from one address, spread over accounts so none waits itself
    ASSERT_EQ(signUp("bob", "pw2"), 200);
    for (int i = 0; i < 16; ++i)
        ASSERT_EQ(verify("guess" + std::to_string(i), "pw"), Wrong);
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(verify(i % 2 ? "ann" : "bob", "guess"), Wrong);
    // WHEN another account logs in from there with its right password
    // THEN it is refused for the address, on the site too, and logged
    EXPECT_EQ(verify("bob", "pw2"), addressRefusal("1 second"));
    const auto page = SiteBrowser(*service).logIn("ann", "pw");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 429);
    EXPECT_TRUE(contains(page->body, addressRefusal("1 second")));
    EXPECT_TRUE(service->log().contains("log-in refused for \"bob\": too many failed log-ins from the address"))
        << service->log().toStdString();
    // AND the accounts' own counts were not raised by the refusals
    EXPECT_EQ(query("SELECT failures FROM login_failures WHERE scope = 'account' AND key = 'bob'"), "2");
    EXPECT_EQ(query("SELECT failures FROM login_failures WHERE scope = 'address'"), "20");
}

TEST_F(ServiceLoginBackoffRealTimesTest, AttemptsAtTheSameTimeGetNoMoreTriesThanTheLimit)
{
    // GIVEN twelve wrong passwords for ann sent at the same moment
    constexpr int Attempts = 12;
    std::vector<std::string> replies(Attempts);
    {
        std::latch start(Attempts);
        std::vector<std::jthread> threads;
        for (int i = 0; i < Attempts; ++i) {
            threads.emplace_back([&, i] {
                const auto client = service->client();
                start.arrive_and_wait();
                const auto reply =
                    client->Post("/?action=verify", verifyParts("ann", md5Hex("guess" + std::to_string(i)), "1"));
                replies[i] = reply ? reply->body : std::string("no reply");
            });
        }
    }
    // THEN five were checked and the rest refused unchecked
    int wrong = 0;
    int refused = 0;
    for (const std::string& reply : replies) {
        wrong += reply == Wrong;
        refused += reply == accountRefusal("1 second");
    }
    EXPECT_EQ(wrong, 5);
    EXPECT_EQ(refused, Attempts - 5) << ::testing::PrintToString(replies);
    EXPECT_EQ(query("SELECT failures FROM login_failures WHERE key = 'ann'"), "5");
}

TEST_F(ServiceLoginBackoffRealTimesTest, RightPasswordsSentAtOnceAreAllTakenEvenAfterFailures)
{
    // GIVEN four failures, one short of the limit
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(verify("ann", "guess"), Wrong);
    // WHEN the program publishes from twelve places at once with the right password
    constexpr int Attempts = 12;
    std::vector<std::string> replies(Attempts);
    {
        std::latch start(Attempts);
        std::vector<std::jthread> threads;
        for (int i = 0; i < Attempts; ++i) {
            threads.emplace_back([&, i] {
                const auto client = service->client();
                start.arrive_and_wait();
                const auto reply = client->Post("/?action=verify", verifyParts("ann", md5Hex("pw"), "1"));
                replies[i] = reply ? reply->body : std::string("no reply");
            });
        }
    }
    // THEN every one gets a code: attempts under way are no failures
    for (const std::string& reply : replies)
        EXPECT_TRUE(reply.starts_with("OKAY,")) << reply;
    EXPECT_EQ(query("SELECT COUNT(*) FROM login_failures WHERE scope = 'account'"), "0");
}

TEST_F(ServiceLoginBackoffRealTimesTest, RefusalIsOneLogLineWithTimeAddressAccountAndReason)
{
    // GIVEN a name that tries to start a line of its own in the log
    const std::string name = "eve\"\n2030-01-01T00:00:00Z 10.0.0.1 forged";
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(verify(name, "guess"), Wrong);
    // WHEN its next attempt is refused
    ASSERT_EQ(verify(name, "guess"), accountRefusal("1 second"));
    // THEN one line says when, from where, for which account and why
    const std::string log = service->log().toStdString();
    static const std::regex line(R"((^|\n)\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ 127\.0\.0\.1 log-in refused for )"
                                 R"("eve\\x22\\x0a2030-01-01T00:00:00Z 10\.0\.0\.1 forged": )"
                                 R"(too many failed log-ins for the account, \d+ ms left\n)");
    EXPECT_TRUE(std::regex_search(log, line)) << log;
    EXPECT_FALSE(contains(log, "\n2030-01-01T00:00:00Z")) << log;
}

} // namespace
