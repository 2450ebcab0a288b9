#pragma once

#include "httpserver.h"
#include "servicecontext.h"

#include <memory>
#include <string>

//! The HTTP side of pictorelle-web: routes, request log, error replies.
class WebService
{
public:
    explicit WebService(std::shared_ptr<const ServiceContext> context, const ConnectionLimits& connections = {});

    //! Binds to host and port (0 picks a free one); the bound port, or −1 when binding failed.
    int bind(const std::string& host, int port);
    //! Serves until stop(); blocks the calling thread. Returns once the requests under way are
    //! answered.
    bool run();
    //! Callable from any thread; requests under way finish first.
    void stop();

private:
    void routeGet(const httplib::Request& request, httplib::Response& response);
    void routePost(const httplib::Request& request, httplib::Response& response, const httplib::ContentReader& reader);

    std::shared_ptr<const ServiceContext> m_context;
    HttpServer m_server;
};
