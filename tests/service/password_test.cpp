#include "servicefixture.h"
#include "sitebrowser.h"
#include "testdatabase.h"

#include <set>

namespace {

// What today's service makes: Argon2id, 19 MiB, two passes, one lane.
constexpr const char* HashPrefix = "$argon2id$v=19$m=19456,t=2,p=1$";

struct ServicePasswordTest : ServiceFixture
{
    QString databaseFile() const { return data.path() + "pictorelle.db"; }
    std::string stored(const std::string& name)
    {
        return TestDatabase(databaseFile()).value("SELECT digest FROM users WHERE name = '" + name + "'");
    }
    void store(const std::string& name, const std::string& value)
    {
        TestDatabase database(databaseFile());
        ASSERT_TRUE(database.exec("UPDATE users SET digest = '" + value + "' WHERE name = '" + name + "'"))
            << database.error();
    }
    //! The verify request with this text as "cpassword".
    std::string verifyWith(const std::string& name, const std::string& cpassword)
    {
        const auto reply = service->client()->Post("/?action=verify", verifyParts(name, cpassword, "1"));
        return reply ? reply->body : std::string("no reply");
    }
};

TEST_F(ServicePasswordTest, StoredValueIsASaltedSlowHashAndNoCredential)
{
    // GIVEN three users with the same password, from the form and from the command line
    ASSERT_EQ(signUp("ann", "pw"), 200);
    ASSERT_EQ(signUp("bob", "pw"), 200);
    ASSERT_EQ(runService({"--data", data.path(), "--add-user", "cy"}, "pw\n").code, 0);
    // THEN each row holds an Argon2id hash, neither the password's digest nor the same value twice
    std::set<std::string> values;
    for (const std::string name : {"ann", "bob", "cy"}) {
        const std::string value = stored(name);
        EXPECT_TRUE(value.starts_with(HashPrefix)) << name << ": " << value;
        EXPECT_EQ(value.find(md5Hex("pw")), std::string::npos) << name;
        values.insert(value);
    }
    EXPECT_EQ(values.size(), 3u);
    // AND every one publishes and logs in with the password
    for (const std::string name : {"ann", "bob", "cy"}) {
        EXPECT_TRUE(verify(name, "pw").starts_with("OKAY,")) << name;
        EXPECT_EQ(SiteBrowser(*service).logIn(name, "pw")->status, 303) << name;
    }
    // BUT the value read from the table is no password, neither as "cpassword" nor on the form
    EXPECT_EQ(verifyWith("ann", stored("ann")), "Wrong user name or password.");
    EXPECT_EQ(SiteBrowser(*service).logIn("ann", stored("ann"))->status, 403);
    // AND checking the password leaves the hash as it was
    EXPECT_EQ(values.count(stored("ann")), 1u);
}

TEST_F(ServicePasswordTest, DigestRowOfAnOlderServiceLogsInOnceAndThenHoldsAHash)
{
    // GIVEN rows as an older service kept them: the bare MD5 digest
    ASSERT_EQ(signUp("ann", "pw"), 200);
    ASSERT_EQ(signUp("bob", "pw2"), 200);
    store("ann", md5Hex("pw"));
    store("bob", md5Hex("pw2"));
    // WHEN wrong passwords are tried, some nearly the digest
    std::string nearly = md5Hex("pw");
    nearly.back() = nearly.back() == '0' ? '1' : '0';
    // (four: the fifth failure would make the next attempt wait)
    for (const std::string& wrong : {nearly, md5Hex("pw").substr(0, 31), md5Hex("pw") + "0"})
        EXPECT_EQ(verifyWith("ann", wrong), "Wrong user name or password.") << wrong;
    EXPECT_EQ(SiteBrowser(*service).logIn("ann", md5Hex("pw"))->status, 403);
    // THEN the row is left as it was
    EXPECT_EQ(stored("ann"), md5Hex("pw"));
    // WHEN the right password comes, upper-case digits as well
    EXPECT_TRUE(verifyWith("ann", "8FE4C11451281C094A6578E6DDBF5EED").starts_with("OKAY,"));
    // THEN the digest is gone and a hash took its place
    const std::string hash = stored("ann");
    EXPECT_TRUE(hash.starts_with(HashPrefix)) << hash;
    EXPECT_EQ(hash.find(md5Hex("pw")), std::string::npos);
    // AND the password still works, on the site too, and the hash stays
    EXPECT_TRUE(verify("ann", "pw").starts_with("OKAY,"));
    EXPECT_EQ(SiteBrowser(*service).logIn("ann", "pw")->status, 303);
    EXPECT_EQ(stored("ann"), hash);
    // AND a digest row logging in on the site is replaced alike
    EXPECT_EQ(SiteBrowser(*service).logIn("bob", "pw2")->status, 303);
    EXPECT_TRUE(stored("bob").starts_with(HashPrefix)) << stored("bob");
    EXPECT_TRUE(verify("bob", "pw2").starts_with("OKAY,"));
}

TEST_F(ServicePasswordTest, HashOfOtherCostsIsMadeAgainAtTheNextRightLogIn)
{
    // GIVEN a row hashed with lower costs (8 MiB, one pass) from the digest of "pw"
    const std::string cheap = "$argon2id$v=19$m=8192,t=1,p=1$iG1kQ6o7K39ulesklD9p3A$"
                              "G/xQhBWjd9cQlxeteT6+XhqNwv4fi25O/ohkCqnmojc";
    ASSERT_EQ(signUp("ann", "pw"), 200);
    store("ann", cheap);
    // WHEN a wrong password is tried THEN the row stays
    EXPECT_EQ(verify("ann", "pass"), "Wrong user name or password.");
    EXPECT_EQ(stored("ann"), cheap);
    // WHEN the right one comes THEN it is taken and the row holds today's costs
    EXPECT_TRUE(verify("ann", "pw").starts_with("OKAY,"));
    EXPECT_TRUE(stored("ann").starts_with(HashPrefix)) << stored("ann");
    EXPECT_TRUE(verify("ann", "pw").starts_with("OKAY,"));
}

TEST_F(ServicePasswordTest, UnreadableStoredValueIsAWrongPasswordAndStays)
{
    ASSERT_EQ(signUp("ann", "pw"), 200);
    for (const std::string& broken :
         {std::string("$argon2id$v=19$m=19456,t=2,p=1$bm90aGluZw"), std::string("x"), std::string(200, '$')}) {
        store("ann", broken);
        EXPECT_EQ(verify("ann", "pw"), "Wrong user name or password.") << broken;
        EXPECT_EQ(stored("ann"), broken);
    }
    EXPECT_EQ(SiteBrowser(*service).logIn("ann", "pw")->status, 403);
    EXPECT_EQ(stored("ann"), std::string(200, '$'));
}

} // namespace
