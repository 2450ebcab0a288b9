#include "httpserver.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string_view>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

struct HttpServer::Connection
{
    int fd = -1;
    //! Whose share of the workers and connections it counts against.
    std::string address;
    //! Bytes read ahead of the request parser: the head, and whatever came after it.
    std::string buffer;
    //! When the head must be complete, or, while a kept-alive connection is idle, when it closes.
    Clock::time_point deadline;
    //! Whether the current head has begun (false while a kept-alive connection is idle).
    bool started = true;
    std::size_t served = 0;
};

namespace {

thread_local bool t_closeAfterReply = false;

// The accept loop hands each socket straight to process_and_close_socket(), which only
// registers it: no worker waits on a client that has not sent its head yet.
class InlineQueue : public httplib::TaskQueue
{
public:
    void enqueue(std::function<void()> fn) override { fn(); }
    void shutdown() override {}
};

// Waits until the socket is readable (or closed) or writable; false on timeout or error.
bool waitFor(int fd, short events, int millis)
{
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(millis);
    for (;;) {
        pollfd p{fd, events, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        const int ready = ::poll(&p, 1, static_cast<int>(std::max<long long>(0, left)));
        if (ready >= 0)
            return ready > 0;
        if (errno != EINTR)
            return false;
    }
}

int toMillis(time_t seconds, time_t micros)
{
    return static_cast<int>(seconds * 1000 + micros / 1000);
}

// A connection's bytes for httplib's request parser: first what the watcher read ahead,
// then the socket, each read and write bounded by the server's timeouts.
class ConnectionStream final : public httplib::Stream
{
public:
    ConnectionStream(HttpServer::Connection& connection, int readMillis, int writeMillis)
        : m_connection(connection), m_readMillis(readMillis), m_writeMillis(writeMillis)
    {}

    bool is_readable() const override
    {
        return m_offset < m_connection.buffer.size() || waitFor(m_connection.fd, POLLIN, m_readMillis);
    }

    bool is_writable() const override { return waitFor(m_connection.fd, POLLOUT, m_writeMillis); }

    ssize_t read(char* ptr, size_t size) override
    {
        if (m_offset < m_connection.buffer.size()) {
            const std::size_t n = std::min(size, m_connection.buffer.size() - m_offset);
            std::memcpy(ptr, m_connection.buffer.data() + m_offset, n);
            m_offset += n;
            return static_cast<ssize_t>(n);
        }
        if (!waitFor(m_connection.fd, POLLIN, m_readMillis))
            return -1;
        for (;;) {
            const ssize_t n = ::recv(m_connection.fd, ptr, size, 0);
            if (n >= 0 || errno != EINTR)
                return n;
        }
    }

    ssize_t write(const char* ptr, size_t size) override
    {
        if (!waitFor(m_connection.fd, POLLOUT, m_writeMillis))
            return -1;
        for (;;) {
            const ssize_t n = ::send(m_connection.fd, ptr, size, MSG_NOSIGNAL);
            if (n >= 0 || errno != EINTR)
                return n;
        }
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override
    {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (::getpeername(m_connection.fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            numeric(address, length, ip, port);
    }

    void get_local_ip_and_port(std::string& ip, int& port) const override
    {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (::getsockname(m_connection.fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            numeric(address, length, ip, port);
    }

    socket_t socket() const override { return m_connection.fd; }

    //! Keeps in the connection only what the parser has not read: the next request's bytes.
    void keepRest()
    {
        m_connection.buffer.erase(0, m_offset);
        m_offset = 0;
    }

    static void numeric(const sockaddr_storage& address, socklen_t length, std::string& ip, int& port)
    {
        char host[NI_MAXHOST];
        char service[NI_MAXSERV];
        if (::getnameinfo(reinterpret_cast<const sockaddr*>(&address), length, host, sizeof host, service,
                          sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) == 0) {
            ip = host;
            port = std::atoi(service);
        }
    }

private:
    HttpServer::Connection& m_connection;
    int m_readMillis;
    int m_writeMillis;
    std::size_t m_offset = 0;
};

// The client's share key: its IPv4 address, or the /64 of an IPv6 one (one machine's block).
std::string addressKey(int fd)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    if (address.ss_family == AF_INET6) {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(address);
        const bool mapped = IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr);
        if (!mapped)
            std::memset(v6.sin6_addr.s6_addr + 8, 0, 8);
    }
    std::string ip;
    int port = 0;
    ConnectionStream::numeric(address, length, ip, port);
    return ip;
}

// A short reply for a connection that is refused before any request is parsed; sent only as
// far as the socket takes it at once.
// Refused connections go to the request log too, with "-" for the request they never made.
void logRefusal(int fd, std::string_view status)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    std::string ip = "-";
    int port = 0;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        ConnectionStream::numeric(address, length, ip, port);
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &parts);
    std::fprintf(stderr, "%s %s \"-\" %.*s 0\n", stamp, ip.c_str(), 3, status.data());
}

void sendRefusal(int fd, std::string_view status, std::string_view text)
{
    logRefusal(fd, status);
    std::string reply = "HTTP/1.1 ";
    reply += status;
    reply += "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " + std::to_string(text.size()) +
             "\r\nConnection: close\r\n\r\n";
    reply += text;
    [[maybe_unused]] const ssize_t sent = ::send(fd, reply.data(), reply.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
}

bool headComplete(const std::string& buffer)
{
    return buffer.find("\r\n\r\n") != std::string::npos;
}

// After a reply to a request whose body was not read: the client may still be sending it,
// and closing with unread bytes would reset the connection and could drop the reply. Ends
// the sending side, then reads and drops for a while.
void drainBeforeClose(int fd)
{
    constexpr auto Longest = std::chrono::seconds(10);
    constexpr int QuietMillis = 1000;
    ::shutdown(fd, SHUT_WR);
    const Clock::time_point end = Clock::now() + Longest;
    char bytes[64 * 1024];
    while (Clock::now() < end && waitFor(fd, POLLIN, QuietMillis)) {
        const ssize_t n = ::recv(fd, bytes, sizeof bytes, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK))
            return;
    }
}

} // namespace

HttpServer::HttpServer(const ConnectionLimits& limits) : m_limits(limits)
{
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0)
        throw std::runtime_error(std::string("cannot make the connection watcher's event: ") + std::strerror(errno));
    new_task_queue = [] { return new InlineQueue; };
    // Kept-alive connections cost no worker while idle; a browser loads a page's files over a few.
    set_keep_alive_max_count(100);
    m_workers = std::make_unique<httplib::ThreadPool>(static_cast<std::size_t>(std::max(1, m_limits.workers)));
    m_watcher = std::thread([this] { watch(); });
}

HttpServer::~HttpServer()
{
    finish();
    ::close(m_wakeFd);
}

bool HttpServer::widenListenQueue()
{
    // Listening again on a listening socket only changes the queue length (Linux).
    return ::listen(svr_sock_, SOMAXCONN) == 0;
}

void HttpServer::closeAfterReply()
{
    t_closeAfterReply = true;
}

void HttpServer::finish()
{
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        if (m_finished)
            return;
        m_finished = true;
        m_stopping = true;
    }
    wake();
    if (m_watcher.joinable())
        m_watcher.join();
    // Runs what is queued, including requests of an address waiting for its turn, then joins.
    m_workers->shutdown();
}

void HttpServer::wake()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
}

bool HttpServer::process_and_close_socket(socket_t sock)
{
    auto connection = std::make_shared<Connection>();
    connection->fd = sock;
    connection->address = addressKey(sock);
    connection->deadline = Clock::now() + m_limits.headDeadline;
    bool refused = false;
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        Address& address = m_addresses[connection->address];
        if (m_stopping || address.open >= m_limits.perAddress) {
            refused = true;
            if (address.open == 0)
                m_addresses.erase(connection->address);
        } else {
            ++address.open;
            m_incoming.push_back(connection);
        }
    }
    if (refused) {
        sendRefusal(sock, "503 Service Unavailable", "Too many connections from your address.\n");
        ::close(sock);
        return false;
    }
    wake();
    return true;
}

void HttpServer::watch()
{
    std::vector<std::shared_ptr<Connection>> waiting;
    std::vector<pollfd> polled;
    char chunk[16 * 1024];
    for (;;) {
        bool stopping = false;
        {
            const std::lock_guard<std::mutex> guard(m_lock);
            for (auto& connection : m_incoming)
                waiting.push_back(std::move(connection));
            m_incoming.clear();
            stopping = m_stopping;
        }
        if (stopping)
            break;
        // A kept-alive connection may already hold its next head.
        std::erase_if(waiting, [this](const std::shared_ptr<Connection>& connection) {
            if (!headComplete(connection->buffer))
                return false;
            dispatch(connection);
            return true;
        });

        Clock::time_point now = Clock::now();
        polled.assign(1, pollfd{m_wakeFd, POLLIN, 0});
        long long timeout = -1;
        for (const auto& connection : waiting) {
            polled.push_back(pollfd{connection->fd, POLLIN, 0});
            const long long left = std::chrono::ceil<std::chrono::milliseconds>(connection->deadline - now).count();
            timeout = timeout < 0 ? std::max(0LL, left) : std::min(timeout, std::max(0LL, left));
        }
        if (::poll(polled.data(), polled.size(), static_cast<int>(std::min(timeout, 60'000LL))) < 0) {
            if (errno == EINTR)
                continue;
            std::fprintf(stderr, "pictorelle-web: watching connections failed: %s\n", std::strerror(errno));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        if (polled[0].revents) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t read = ::read(m_wakeFd, &count, sizeof count);
        }

        now = Clock::now();
        std::vector<std::shared_ptr<Connection>> still;
        still.reserve(waiting.size());
        for (std::size_t i = 0; i < waiting.size(); ++i) {
            const std::shared_ptr<Connection>& connection = waiting[i];
            if (polled[i + 1].revents) {
                const ssize_t n = ::recv(connection->fd, chunk, sizeof chunk, MSG_DONTWAIT);
                if (n > 0) {
                    if (!connection->started) {
                        connection->started = true;
                        connection->deadline = now + m_limits.headDeadline;
                    }
                    connection->buffer.append(chunk, static_cast<std::size_t>(n));
                } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                    release(connection);
                    continue;
                }
            }
            if (headComplete(connection->buffer)) {
                dispatch(connection);
            } else if (connection->buffer.size() > m_limits.headBytes) {
                sendRefusal(connection->fd, "431 Request Header Fields Too Large", "The request head is too large.\n");
                release(connection);
            } else if (now >= connection->deadline) {
                // An idle kept-alive connection just closes; a head that is overdue is told so.
                if (connection->started)
                    sendRefusal(connection->fd, "408 Request Timeout", "The request head came too slowly.\n");
                release(connection);
            } else {
                still.push_back(connection);
            }
        }
        waiting.swap(still);
    }
    for (const auto& connection : waiting)
        release(connection);
}

void HttpServer::dispatch(std::shared_ptr<Connection> connection)
{
    const std::lock_guard<std::mutex> guard(m_lock);
    Address& address = m_addresses[connection->address];
    if (address.busy < m_limits.workersPerAddress) {
        ++address.busy;
        m_workers->enqueue([this, connection] { serve(connection); });
    } else {
        address.ready.push_back(std::move(connection));
    }
}

void HttpServer::serve(const std::shared_ptr<Connection>& connection)
{
    bool last = false;
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        last = m_stopping;
    }
    ++connection->served;
    last = last || connection->served >= keep_alive_max_count_;
    t_closeAfterReply = false;
    ConnectionStream stream(*connection, toMillis(read_timeout_sec_, read_timeout_usec_),
                            toMillis(write_timeout_sec_, write_timeout_usec_));
    bool closedByClient = false;
    const bool answered = process_request(stream, last, closedByClient, nullptr);
    stream.keepRest();
    const bool unreadBody = t_closeAfterReply;
    t_closeAfterReply = false;
    if (unreadBody)
        drainBeforeClose(connection->fd);

    bool keep = answered && !last && !closedByClient && !unreadBody;
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        Address& address = m_addresses[connection->address];
        --address.busy;
        if (!address.ready.empty()) {
            std::shared_ptr<Connection> next = std::move(address.ready.front());
            address.ready.pop_front();
            ++address.busy;
            m_workers->enqueue([this, next] { serve(next); });
        }
        if (keep && !m_stopping) {
            connection->started = !connection->buffer.empty();
            connection->deadline =
                Clock::now() + (connection->started ? m_limits.headDeadline
                                                    : std::chrono::milliseconds(keep_alive_timeout_sec_ * 1000));
            m_incoming.push_back(connection);
        } else {
            keep = false;
        }
    }
    if (keep)
        wake();
    else
        release(connection);
}

void HttpServer::release(const std::shared_ptr<Connection>& connection)
{
    ::shutdown(connection->fd, SHUT_RDWR);
    ::close(connection->fd);
    connection->fd = -1;
    const std::lock_guard<std::mutex> guard(m_lock);
    const auto it = m_addresses.find(connection->address);
    if (it == m_addresses.end())
        return;
    --it->second.open;
    if (it->second.open <= 0 && it->second.busy == 0 && it->second.ready.empty())
        m_addresses.erase(it);
}
