#include "serviceprocess.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A plain TCP connection to the service from a chosen loopback address (all of 127/8 is the
// loopback, so one test can be several clients).
class RawConnection
{
public:
    RawConnection(int port, const char* from = "127.0.0.1")
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        ::inet_pton(AF_INET, from, &local.sin_addr);
        sockaddr_in remote{};
        remote.sin_family = AF_INET;
        remote.sin_port = htons(static_cast<std::uint16_t>(port));
        ::inet_pton(AF_INET, "127.0.0.1", &remote.sin_addr);
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
            ::connect(m_fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~RawConnection()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool connected() const { return m_fd >= 0; }

    bool send(const std::string& bytes)
    {
        return ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    }

    //! Reads until the service closes the connection or the time is up; closed() tells which.
    std::string readUntilClosed(std::chrono::milliseconds within)
    {
        std::string got;
        const Clock::time_point end = Clock::now() + within;
        char bytes[16 * 1024];
        while (!m_closed) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            pollfd p{m_fd, POLLIN, 0};
            if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0)
                break;
            const ssize_t n = ::recv(m_fd, bytes, sizeof bytes, 0);
            if (n > 0)
                got.append(bytes, static_cast<std::size_t>(n));
            else
                m_closed = true;
        }
        return got;
    }

    //! Whether the service has closed it (or sent something) by now, without waiting.
    bool heardFrom()
    {
        pollfd p{m_fd, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
    }

    bool closed() const { return m_closed; }

private:
    int m_fd = -1;
    bool m_closed = false;
};

std::string simpleGet(const std::string& path, bool close = true)
{
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + (close ? "Connection: close\r\n" : "") + "\r\n";
}

int count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

TEST(ServiceConnectionsTest, TricklingRequestHeadsLeaveThePagesAnswering)
{
    // GIVEN forty clients that each send a header line now and then and never end their head:
    // more than there are workers
    TempFolder data;
    ServiceProcess service(data.path());
    ASSERT_TRUE(service.started()) << service.log().toStdString();
    constexpr int Trickles = 40;
    std::vector<std::unique_ptr<RawConnection>> trickles;
    for (int i = 0; i < Trickles; ++i) {
        trickles.push_back(std::make_unique<RawConnection>(service.port(), "127.0.0.2"));
        ASSERT_TRUE(trickles.back()->connected());
        ASSERT_TRUE(trickles.back()->send("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n"));
    }
    // WHEN pages are asked for while they trickle on
    auto client = service.client();
    client->set_connection_timeout(1, 0);
    client->set_read_timeout(1, 0);
    const Clock::time_point end = Clock::now() + 3s;
    for (int line = 0; Clock::now() < end; ++line) {
        for (auto& trickle : trickles)
            ASSERT_TRUE(trickle->send("X-Line-" + std::to_string(line) + ": more\r\n"));
        // THEN each page answers at once
        const auto index = client->Get("/");
        ASSERT_TRUE(index) << httplib::to_string(index.error());
        EXPECT_EQ(index->status, 200);
        const auto icon = client->Get("/favicon.svg");
        ASSERT_TRUE(icon) << httplib::to_string(icon.error());
        EXPECT_EQ(icon->status, 200);
        std::this_thread::sleep_for(300ms);
    }
    // AND the trickling clients were neither answered nor closed within their deadline
    for (auto& trickle : trickles)
        EXPECT_FALSE(trickle->heardFrom());
}

TEST(ServiceConnectionsTest, TheRequestHeadHasOneDeadlineNotOnePerLine)
{
    // GIVEN a service whose request heads must be complete within 2 s
    TempFolder data;
    ServiceProcess service(data.path(), {"--head-timeout", "2"});
    ASSERT_TRUE(service.started()) << service.log().toStdString();
    RawConnection trickle(service.port());
    RawConnection silent(service.port());
    RawConnection slowButInTime(service.port());
    ASSERT_TRUE(trickle.connected() && silent.connected() && slowButInTime.connected());
    // WHEN one client sends a header line every 300 ms forever, one sends nothing, and one
    // takes 1 s over its head
    const Clock::time_point start = Clock::now();
    ASSERT_TRUE(trickle.send("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n"));
    ASSERT_TRUE(slowButInTime.send("GET /favicon.svg HTTP/1.1\r\n"));
    Clock::duration trickleClosedAfter{};
    for (int line = 0; Clock::now() - start < 8s && !trickle.closed(); ++line) {
        if (line == 3) {
            ASSERT_TRUE(slowButInTime.send("Host: 127.0.0.1\r\nConnection: close\r\n\r\n"));
        }
        trickle.send("X-Line: " + std::to_string(line) + "\r\n");
        const std::string said = trickle.readUntilClosed(300ms);
        if (trickle.closed()) {
            trickleClosedAfter = Clock::now() - start;
            EXPECT_TRUE(said.empty() || said.starts_with("HTTP/1.1 408")) << said;
        }
    }
    // THEN the trickle is closed once its head is overdue, though every line came in time
    ASSERT_TRUE(trickle.closed());
    EXPECT_GE(trickleClosedAfter, 1500ms);
    EXPECT_LT(trickleClosedAfter, 6s);
    // AND so is the silent one
    silent.readUntilClosed(2s);
    EXPECT_TRUE(silent.closed());
    // AND the head that came whole in time was answered
    const std::string answer = slowButInTime.readUntilClosed(5s);
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 200 OK")) << answer;
    EXPECT_NE(answer.find("<svg"), std::string::npos);
    // AND the closed ones are in the request log
    EXPECT_TRUE(service.log().contains("127.0.0.1 \"-\" 408 0")) << service.log().toStdString();
}

TEST(ServiceConnectionsTest, ConnectionsOverTheCapOfOneAddressAreRefusedAtOnce)
{
    // GIVEN a service that lets one address hold 4 connections, and one address holding 4
    TempFolder data;
    ServiceProcess service(data.path(), {"--address-connections", "4"});
    ASSERT_TRUE(service.started()) << service.log().toStdString();
    std::vector<std::unique_ptr<RawConnection>> held;
    for (int i = 0; i < 4; ++i) {
        held.push_back(std::make_unique<RawConnection>(service.port(), "127.0.0.3"));
        ASSERT_TRUE(held.back()->connected());
        ASSERT_TRUE(held.back()->send("GET / HTTP/1.1\r\n"));
    }
    // WHEN it opens a fifth (connections are taken in the order they came)
    RawConnection fifth(service.port(), "127.0.0.3");
    ASSERT_TRUE(fifth.connected());
    const Clock::time_point start = Clock::now();
    const std::string refusal = fifth.readUntilClosed(3s);
    // THEN that one is closed at once, with a 503 when it could be sent
    EXPECT_TRUE(fifth.closed());
    EXPECT_LT(Clock::now() - start, 2s);
    EXPECT_TRUE(refusal.empty() || refusal.starts_with("HTTP/1.1 503")) << refusal;
    EXPECT_TRUE(service.log().contains("127.0.0.3 \"-\" 503 0")) << service.log().toStdString();
    // AND another address is served as usual
    RawConnection other(service.port(), "127.0.0.1");
    ASSERT_TRUE(other.send(simpleGet("/favicon.svg")));
    EXPECT_TRUE(other.readUntilClosed(5s).starts_with("HTTP/1.1 200 OK"));
    // AND once one of the four is closed, the address may connect again
    held.pop_back();
    std::string again;
    for (const Clock::time_point until = Clock::now() + 5s; Clock::now() < until;) {
        RawConnection retry(service.port(), "127.0.0.3");
        retry.send(simpleGet("/favicon.svg"));
        again = retry.readUntilClosed(5s);
        if (again.starts_with("HTTP/1.1 200 OK"))
            break;
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_TRUE(again.starts_with("HTTP/1.1 200 OK")) << again;
}

TEST(ServiceConnectionsTest, KeptAliveConnectionsAnswerEveryRequestInTurn)
{
    // GIVEN one connection carrying three requests sent at once, and then a fourth later
    TempFolder data;
    ServiceProcess service(data.path());
    ASSERT_TRUE(service.started()) << service.log().toStdString();
    RawConnection connection(service.port());
    ASSERT_TRUE(connection.send(simpleGet("/favicon.svg", false) + simpleGet("/?page=nothing", false) +
                                simpleGet("/favicon.ico", false)));
    const std::string first = connection.readUntilClosed(1500ms);
    ASSERT_TRUE(connection.send(simpleGet("/favicon.svg")));
    const std::string second = connection.readUntilClosed(5s);
    // THEN each is answered, in order, on the same connection, and it closes when asked to
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(count(first, "HTTP/1.1 200 OK"), 2) << first;
    EXPECT_LT(first.find("HTTP/1.1 200 OK"), first.find("HTTP/1.1 404 Not Found"));
    EXPECT_LT(first.find("HTTP/1.1 404 Not Found"), first.rfind("HTTP/1.1 200 OK"));
    EXPECT_TRUE(second.starts_with("HTTP/1.1 200 OK")) << second;
    EXPECT_TRUE(connection.closed());
}

TEST(ServiceConnectionsTest, ABodyOverTheLimitIsRefusedOnItsContentLengthAlone)
{
    TempFolder data;
    ServiceProcess service(data.path());
    ASSERT_TRUE(service.started()) << service.log().toStdString();
    const std::string tooLong = std::to_string(300u * 1024 * 1024 + 1);
    auto head = [&](const std::string& target, const std::string& extra) {
        return "POST " + target +
               " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: multipart/form-data; boundary=xyz\r\n" +
               "Content-Length: " + tooLong + "\r\n" + extra + "\r\n";
    };
    struct Case
    {
        std::string target;
        std::string extra;
        std::string status;
        std::string body;
    };
    const std::vector<Case> cases = {
        // The program reads the word of an upload failure and shows a verify refusal.
        {"/?action=upload", "", "HTTP/1.1 200 OK", "FAIL=TOOBIG"},
        {"/?action=upload", "Expect: 100-continue\r\n", "HTTP/1.1 200 OK", "FAIL=TOOBIG"},
        {"/?action=verify", "", "HTTP/1.1 200 OK", "The request is too large."},
        {"/login", "", "HTTP/1.1 413 Payload Too Large", "<h1>Too large</h1>"},
        // Digits beyond any 64-bit number are too large too.
        {"/?action=upload", "Content-Length: 99999999999999999999999\r\n", "HTTP/1.1 200 OK", "FAIL=TOOBIG"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target + " " + c.extra);
        // WHEN a client sends only the head of a request announcing 300 MB and a byte
        RawConnection connection(service.port());
        const std::string request =
            c.extra.starts_with("Content-Length")
                ? "POST " + c.target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/plain\r\n" + c.extra + "\r\n"
                : head(c.target, c.extra);
        ASSERT_TRUE(connection.send(request));
        const Clock::time_point start = Clock::now();
        const std::string reply = connection.readUntilClosed(8s);
        // THEN the refusal comes at once, without waiting for the body, and the connection ends
        EXPECT_LT(Clock::now() - start, 4s);
        EXPECT_TRUE(connection.closed());
        EXPECT_TRUE(reply.starts_with(c.status)) << reply;
        EXPECT_NE(reply.find(c.body), std::string::npos) << reply;
        EXPECT_EQ(reply.find("100 Continue"), std::string::npos) << reply;
        EXPECT_NE(reply.find("Connection: close"), std::string::npos) << reply;
    }
    // AND the refusals were logged as requests
    EXPECT_TRUE(service.log().contains("\"POST /?action=upload\" 200")) << service.log().toStdString();
}

} // namespace
