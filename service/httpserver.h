#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

//! How the server shares its workers among connections.
struct ConnectionLimits
{
    //! Whole request head (request line and headers), from the connection or from its first byte.
    std::chrono::milliseconds headDeadline{15000};
    //! Connections one client address may hold open; further ones get a 503 and are closed.
    int perAddress = 64;
    //! Requests of one client address served at the same time; the others wait their turn.
    int workersPerAddress = 16;
    //! Requests served at the same time.
    int workers = 32;
    //! Bytes of a request head.
    std::size_t headBytes = 64 * 1024;
};

//! httplib's server, but request heads are read by one watching thread before a worker takes
//! the request: a client that trickles its head in, or connects and says nothing, holds no
//! worker and is closed when its head deadline passes. Workers read bodies and write replies
//! with the read and write timeouts. Each socket has one owner at a time (the watcher, or the
//! worker serving it), which alone reads, writes and closes it.
class HttpServer : public httplib::Server
{
public:
    explicit HttpServer(const ConnectionLimits& limits = {});
    ~HttpServer() override;

    //! Lengthens the queue of the bound socket; call after binding, before serving.
    bool widenListenQueue();
    //! After serving ended: closes the connections waiting for a head and lets the requests
    //! under way finish. Called by the destructor too.
    void finish();

    //! From a handler: the connection is closed after this reply, with the rest of the request
    //! read and dropped for a short while so the client still gets the reply (the body was not
    //! read).
    static void closeAfterReply();

    struct Connection;

private:
    // The library hands every accepted socket here (from its accept loop).
    bool process_and_close_socket(socket_t sock) override;

    void watch();
    void dispatch(std::shared_ptr<Connection> connection);
    void serve(const std::shared_ptr<Connection>& connection);
    void release(const std::shared_ptr<Connection>& connection);
    void wake();

    struct Address
    {
        int open = 0;
        int busy = 0;
        std::deque<std::shared_ptr<Connection>> ready;
    };

    ConnectionLimits m_limits;
    std::mutex m_lock;
    std::map<std::string, Address> m_addresses;
    //! Handed to the watcher: new connections and kept-alive ones after their reply.
    std::vector<std::shared_ptr<Connection>> m_incoming;
    bool m_stopping = false;
    bool m_finished = false;
    int m_wakeFd = -1;
    std::unique_ptr<httplib::ThreadPool> m_workers;
    std::thread m_watcher;
};
