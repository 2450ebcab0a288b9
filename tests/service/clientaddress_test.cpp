#include "clientaddress.h"
#include "servicefixture.h"
#include "testdatabase.h"

#include <gtest/gtest.h>

namespace {

httplib::Request fromPeer(const std::string& peer, const std::vector<std::string>& forwarded)
{
    httplib::Request request;
    request.remote_addr = peer;
    for (const std::string& header : forwarded)
        request.headers.emplace("X-Forwarded-For", header);
    return request;
}

} // namespace

TEST(ClientAddress, OnlyATrustedProxyNamesTheClientAndOnlyByItsOwnRightMostEntry)
{
    const std::vector<std::string> proxies{"10.0.0.2", "::1"};
    // A client that is no proxy cannot choose the address its requests count under.
    EXPECT_EQ(clientAddress(fromPeer("198.51.100.7", {"203.0.113.9"}), proxies), "198.51.100.7");
    EXPECT_EQ(clientAddress(fromPeer("10.0.0.2", {"203.0.113.9"}), {}), "10.0.0.2");
    // The proxy appends the address it was reached from; whatever the client wrote stands left of it.
    EXPECT_EQ(clientAddress(fromPeer("10.0.0.2", {"1.2.3.4, 203.0.113.9"}), proxies), "203.0.113.9");
    // Through two trusted proxies the client is the first address that is none of them.
    EXPECT_EQ(clientAddress(fromPeer("::1", {"203.0.113.9 ,10.0.0.2"}), proxies), "203.0.113.9");
    // Several headers are one list in their order.
    EXPECT_EQ(clientAddress(fromPeer("10.0.0.2", {"1.2.3.4", "2001:db8::5"}), proxies), "2001:db8::5");
    // Without the header, or with something that is no address, the proxy itself is the client.
    EXPECT_EQ(clientAddress(fromPeer("10.0.0.2", {}), proxies), "10.0.0.2");
    EXPECT_EQ(clientAddress(fromPeer("10.0.0.2", {"1.2.3.4, unknown"}), proxies), "10.0.0.2");
    EXPECT_EQ(clientAddress(fromPeer("10.0.0.2", {""}), proxies), "10.0.0.2");
    EXPECT_EQ(clientAddress(fromPeer("10.0.0.2", {"10.0.0.2"}), proxies), "10.0.0.2");
}

struct ServiceBehindProxyTest : ServiceFixture
{
    void SetUp() override
    {
        service = std::make_unique<ServiceProcess>(data.path(), QStringList{"--trusted-proxy", "127.0.0.1"});
        ASSERT_TRUE(service->started()) << service->log().toStdString();
        ASSERT_EQ(signUp("ann", "pw"), 200);
    }

    std::string verifyFrom(const std::string& client, const std::string& name, const std::string& password)
    {
        const auto connection = service->client();
        const httplib::Headers headers{{"X-Forwarded-For", client}};
        const auto reply = connection->Post("/?action=verify", headers, verifyParts(name, md5Hex(password), "1"));
        return reply ? reply->body : std::string("no reply");
    }
};

TEST_F(ServiceBehindProxyTest, FailedLogInsOfOneClientBehindTheProxyHoldBackOnlyThatClient)
{
    // GIVEN twenty wrong passwords over many accounts from one client behind the proxy, its
    // wait made long enough that no slow machine sees it end
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(verifyFrom("203.0.113.9", "guess" + std::to_string(i), "pw"), "Wrong user name or password.");
    TestDatabase database(data.path() + "pictorelle.db");
    ASSERT_TRUE(database.exec("UPDATE login_failures SET blocked_until = blocked_until + 600000 WHERE key = "
                              "'203.0.113.9'"))
        << database.error();
    EXPECT_TRUE(verifyFrom("203.0.113.9", "ann", "pw").starts_with("Too many failed log-ins from this address"));
    // THEN another client behind the same proxy still logs in
    EXPECT_TRUE(verifyFrom("198.51.100.7", "ann", "pw").starts_with("OKAY,"));
    // AND the log names the client, not the proxy
    EXPECT_TRUE(service->log().contains("203.0.113.9")) << service->log().toStdString();
}
