#include "servicefixture.h"

#include <regex>

namespace {

using ServiceAccountTest = ServiceFixture;

TEST_F(ServiceAccountTest, SignUpPageIsAFormForNameAndPassword)
{
    // GIVEN the page the program's "New User" button opens
    const auto page = get("/?page=login");
    // THEN it is an HTML form posting a user name and a masked password back to itself
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_TRUE(page->body.starts_with("<!DOCTYPE html>"));
    EXPECT_NE(page->body.find("<form method=\"post\" action=\"/?page=login\""), std::string::npos);
    EXPECT_NE(page->body.find("name=\"username\""), std::string::npos);
    EXPECT_NE(page->body.find("type=\"password\" name=\"password\""), std::string::npos);
    EXPECT_NE(page->body.find("type=\"password\" name=\"confirm\""), std::string::npos);
}

TEST_F(ServiceAccountTest, SignUpWithDifferentPasswordsMakesNoAccountAndKeepsTheName)
{
    // WHEN the confirmation differs from the password
    const auto reply = service->client()->Post(
        "/?page=login", httplib::Params{{"username", "Zoë <z>"}, {"password", "first-pw"}, {"confirm", "First-pw"}});
    // THEN the form comes back with the reason and the name, but neither password
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 400);
    EXPECT_NE(reply->body.find("The two passwords are not the same."), std::string::npos);
    EXPECT_NE(reply->body.find("name=\"username\" maxlength=\"254\" required value=\"Zoë &lt;z&gt;\""),
              std::string::npos);
    EXPECT_EQ(reply->body.find("first-pw"), std::string::npos);
    EXPECT_EQ(reply->body.find("First-pw"), std::string::npos);
    // AND no account was made with either password
    EXPECT_EQ(verify("Zoë <z>", "first-pw"), "Wrong user name or password.");
    EXPECT_EQ(verify("Zoë <z>", "First-pw"), "Wrong user name or password.");
    // AND a form without the confirmation makes none either
    const auto unconfirmed =
        service->client()->Post("/?page=login", httplib::Params{{"username", "Zoë <z>"}, {"password", "first-pw"}});
    ASSERT_TRUE(unconfirmed);
    EXPECT_EQ(unconfirmed->status, 400);
    EXPECT_EQ(verify("Zoë <z>", "first-pw"), "Wrong user name or password.");
    // AND the same password twice makes the account
    EXPECT_EQ(signUp("Zoë <z>", "first-pw"), 200);
    EXPECT_TRUE(verify("Zoë <z>", "first-pw").starts_with("OKAY,"));
}

TEST_F(ServiceAccountTest, SignedUpUserVerifiesWithTheDigestOfThePasswordsUtf8Bytes)
{
    // GIVEN a user signed up through the form with non-ASCII letters in name and password
    ASSERT_EQ(signUp("Zoë", "pässwörd"), 200);
    // WHEN the program verifies with MD5 of the password's UTF-8 bytes
    const std::string reply = verify("Zoë", "pässwörd", "3");
    // THEN it gets a code and the upload address
    EXPECT_TRUE(reply.starts_with("OKAY,")) << reply;
    // AND the digest of the Latin-1 bytes is a wrong password
    const auto latin1 =
        service->client()->Post("/?action=verify", verifyParts("Zoë", md5Hex("p\xE4sswörd"), std::string("3")));
    ASSERT_TRUE(latin1);
    EXPECT_EQ(latin1->body, "Wrong user name or password.");
}

TEST_F(ServiceAccountTest, SignUpConfirmsWithTheNameEscaped)
{
    const auto reply = service->client()->Post(
        "/?page=login", httplib::Params{{"username", "<b>Ann</b>"}, {"password", "pw"}, {"confirm", "pw"}});
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    EXPECT_NE(reply->body.find("&lt;b&gt;Ann&lt;/b&gt;"), std::string::npos);
    EXPECT_EQ(reply->body.find("<b>Ann"), std::string::npos);
}

TEST_F(ServiceAccountTest, DuplicateNameIsRefusedAndKeepsTheFirstPassword)
{
    ASSERT_EQ(signUp("ann", "first"), 200);
    const auto again = service->client()->Post(
        "/?page=login", httplib::Params{{"username", "ann"}, {"password", "x"}, {"confirm", "x"}});
    ASSERT_TRUE(again);
    EXPECT_EQ(again->status, 409);
    EXPECT_NE(again->body.find("The user name &quot;ann&quot; is already taken."), std::string::npos);
    EXPECT_TRUE(verify("ann", "first").starts_with("OKAY,"));
    EXPECT_EQ(verify("ann", "x"), "Wrong user name or password.");
}

TEST_F(ServiceAccountTest, SignUpRefusesNamesAndPasswordsTheProgramCannotSend)
{
    // The program keeps 254 characters of each; characters count as UTF-16 code units.
    const std::string longest(254, 'n');
    EXPECT_EQ(signUp("", "pw"), 400);
    EXPECT_EQ(signUp("ann", ""), 400);
    EXPECT_EQ(signUp(" ann", "pw"), 400);
    EXPECT_EQ(signUp("ann\t", "pw"), 400);
    EXPECT_EQ(signUp(longest + "n", "pw"), 400);
    EXPECT_EQ(signUp("ann", std::string(255, 'p')), 400);
    EXPECT_EQ(signUp("emoji", std::string(126, 'p') + "\xF0\x9F\x98\x80"), 200);
    EXPECT_EQ(signUp("emoji2", std::string(253, 'p') + "\xF0\x9F\x98\x80"), 400);
    EXPECT_EQ(signUp(longest, std::string(254, 'p')), 200);
    EXPECT_TRUE(verify(longest, std::string(254, 'p')).starts_with("OKAY,"));
}

TEST_F(ServiceAccountTest, AddUserCommandAddsOnceAndRefusesTheSameNameAgain)
{
    const CommandRun added = runService({"--data", data.path(), "--add-user", "bob"}, "s3cret\n");
    EXPECT_EQ(added.code, 0) << added.err.toStdString();
    EXPECT_EQ(added.out, "added user bob\n");
    const CommandRun twice = runService({"--data", data.path(), "--add-user", "bob"}, "other\n");
    EXPECT_EQ(twice.code, 1);
    EXPECT_TRUE(twice.err.contains("already taken")) << twice.err.toStdString();
    // The running service sees the user at once: one database, many connections.
    EXPECT_TRUE(verify("bob", "s3cret", "50").starts_with("OKAY,"));
}

TEST_F(ServiceAccountTest, VerifyAnswersCodeCommaAndUploadAddress)
{
    ASSERT_EQ(signUp("ann", "pw"), 200);
    const std::string first = verify("ann", "pw", "2");
    const std::string second = verify("ann", "pw", "2");
    static const std::regex shape("OKAY,[A-Za-z0-9]{8},(.*)");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(first, match, shape)) << first;
    EXPECT_EQ(match[1].str(), service->base() + "/?action=upload");
    EXPECT_GE(first.size(), 21u);
    EXPECT_LE(match[1].str().size(), 127u);
    EXPECT_NE(first.substr(5, 8), second.substr(5, 8));
}

TEST_F(ServiceAccountTest, VerifyRefusalsAreOneSentenceTheProgramCanShow)
{
    ASSERT_EQ(signUp("ann", "pw"), 200);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {verify("ann", "wrong"), "Wrong user name or password."},
        {verify("nobody", "pw"), "Wrong user name or password."},
        {verify("ann", "pw", "0"), "A Pictorelle holds between 1 and 50 slides."},
        {verify("ann", "pw", "51"), "A Pictorelle holds between 1 and 50 slides."},
        {verify("ann", "pw", "two"), "A Pictorelle holds between 1 and 50 slides."},
        {verify("ann", "pw", std::nullopt), "Only picture stories and podcasts can be published."},
    };
    for (const auto& [reply, expected] : cases) {
        EXPECT_EQ(reply, expected);
        // The program shows at most 99 characters of a refusal.
        EXPECT_LT(reply.size(), 100u);
    }
    const auto old = service->client()->Post("/?action=verify", verifyParts("ann", md5Hex("pw"), "1", "0.9"));
    ASSERT_TRUE(old);
    EXPECT_EQ(old->body, "Please update Pictorelle to publish.");
    // Upper-case hexadecimal digits name the same digest.
    ASSERT_EQ(md5Hex("pw"), "8fe4c11451281c094a6578e6ddbf5eed");
    const auto upper =
        service->client()->Post("/?action=verify", verifyParts("ann", "8FE4C11451281C094A6578E6DDBF5EED", "1"));
    ASSERT_TRUE(upper);
    EXPECT_TRUE(upper->body.starts_with("OKAY,")) << upper->body;
}

TEST(ServiceOptionsTest, BaseAddressBuildsTheUploadAddressAndMustFitItsBuffer)
{
    // GIVEN a service published under another address
    TempFolder data;
    ServiceProcess service(data.path(), {"--base", "https://pictures.example.org/web/"});
    ASSERT_TRUE(service.started()) << service.log().toStdString();
    ASSERT_EQ(runService({"--data", data.path(), "--add-user", "ann"}, "pw\n").code, 0);
    // WHEN the program verifies
    const auto reply = service.client()->Post("/?action=verify", verifyParts("ann", md5Hex("pw"), "1"));
    // THEN the upload address is built from it, without a doubled "/"
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->body.substr(14), "https://pictures.example.org/web/?action=upload");
    // AND a base address that would overflow the program's 127-byte address is refused at start
    const CommandRun tooLong = runService({"--data", data.path(), "--base", "http://" + QString(106, 'a')});
    EXPECT_EQ(tooLong.code, 2);
    EXPECT_TRUE(tooLong.err.contains("127 bytes")) << tooLong.err.toStdString();
    EXPECT_EQ(runService({"--base", "ftp://x"}).code, 2);
    EXPECT_EQ(runService({"--port", "70000"}).code, 2);
}

} // namespace
