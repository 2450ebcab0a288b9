#include "webservice.h"

#include "accountpages.h"
#include "authorpages.h"
#include "clientaddress.h"
#include "favicon.h"
#include "html.h"
#include "publishhandlers.h"
#include "requestbody.h"
#include "servicelimits.h"
#include "sitepages.h"
#include "storypages.h"
#include "visitor.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace {

void logRequest(const std::string& address, const httplib::Request& request, const httplib::Response& response)
{
    static std::mutex lock;
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &parts);
    const std::lock_guard<std::mutex> guard(lock);
    std::fprintf(stderr, "%s %s \"%s %s\" %d %zu\n", stamp, address.c_str(), request.method.c_str(),
                 request.target.c_str(), response.status, response.body.size());
}

void serverError(const httplib::Request& request, httplib::Response& response, const char* what)
{
    std::fprintf(stderr, "error while answering %s: %s\n", request.target.c_str(), what);
    // The program shows a verify refusal as text and reads only the word of an upload failure.
    const std::string action = request.get_param_value("action");
    if (action == "upload") {
        requestbody::replyText(response, "FAIL=SERVERERROR");
        return;
    }
    if (action == "verify") {
        requestbody::replyText(response, "The service could not check the account. Please try again later.");
        return;
    }
    requestbody::replyPage(response, 500,
                           html::page("Server error", "<h1>Server error</h1>\n<p>The service could not answer this "
                                                      "request. Please try again later.</p>\n"));
}

void methodNotAllowed(httplib::Response& response)
{
    response.set_header("Allow", "POST");
    requestbody::replyPage(response, 405,
                           html::page("Not allowed", "<h1>Not allowed</h1>\n<p>This address only takes the form of "
                                                     "a page's button.</p>\n<p><a href=\"/\">See the published "
                                                     "stories</a></p>\n"));
}

// Runs a page's handler with the visitor of the request's session, answering a failure with
// the server error page, and shows the visitor's header on the page it makes.
template <typename Handler>
void sitePage(const ServiceContext& context, const httplib::Request& request, httplib::Response& response,
              Handler&& handler)
{
    try {
        const std::optional<Visitor> visitor = visitors::find(context, request);
        handler(visitor);
        if (visitor)
            visitors::personalise(*visitor, response);
    } catch (const std::exception& e) {
        serverError(request, response, e.what());
    }
}

// A request announcing a body over the upload limit gets its refusal at once, and its
// connection closes after it: the body is never read. The upload's "FAIL=TOOBIG" comes from
// the error handler, as for any upload that is too large.
bool refuseOversized(const httplib::Request& request, httplib::Response& response)
{
    const std::string length = request.get_header_value("Content-Length");
    if (length.empty() || length.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const std::size_t digits = length.size() - std::min(length.find_first_not_of('0'), length.size());
    if (digits <= 12 && std::stoull(length) <= limits::Request)
        return false;
    HttpServer::closeAfterReply();
    response.set_header("Connection", "close");
    const std::string action = request.get_param_value("action");
    if (action == "verify") {
        requestbody::replyText(response, "The request is too large.");
    } else {
        response.status = 413;
        if (action != "upload")
            requestbody::replyPage(response, 413,
                                   html::page("Too large", "<h1>Too large</h1>\n<p>The request is too large.</p>\n"
                                                           "<p><a href=\"/\">See the published stories</a></p>\n"));
    }
    return true;
}

} // namespace

WebService::WebService(std::shared_ptr<const ServiceContext> context, const ConnectionLimits& connections)
    : m_context(std::move(context)), m_server(connections)
{
    m_server.set_payload_max_length(limits::Request);
    // A body over the limit is refused on its Content-Length alone, before a byte of it is read
    // (and before "100 Continue" when the client waits for one).
    m_server.set_expect_100_continue_handler([](const httplib::Request& request, httplib::Response& response) {
        return refuseOversized(request, response) ? 413 : 100;
    });
    m_server.set_pre_routing_handler([](const httplib::Request& request, httplib::Response& response) {
        return refuseOversized(request, response) ? httplib::Server::HandlerResponse::Handled
                                                  : httplib::Server::HandlerResponse::Unhandled;
    });
    m_server.set_read_timeout(60);
    m_server.set_write_timeout(60);
    m_server.set_logger([this](const httplib::Request& request, const httplib::Response& response) {
        logRequest(clientAddress(request, m_context->trustedProxies), request, response);
    });
    m_server.Get("/", [this](const httplib::Request& request, httplib::Response& response) {
        sitePage(*m_context, request, response, [&](const auto&) { routeGet(request, response); });
    });
    m_server.Get("/login", [this](const httplib::Request& request, httplib::Response& response) {
        sitePage(*m_context, request, response,
                 [&](const std::optional<Visitor>& visitor) { accountpages::logInForm(visitor, response); });
    });
    m_server.Post("/login", [this](const httplib::Request& request, httplib::Response& response,
                                   const httplib::ContentReader& reader) {
        sitePage(*m_context, request, response,
                 [&](const auto&) { accountpages::logIn(*m_context, request, response, reader); });
    });
    m_server.Get("/logout", [](const httplib::Request&, httplib::Response& response) { methodNotAllowed(response); });
    m_server.Post("/logout", [this](const httplib::Request& request, httplib::Response& response,
                                    const httplib::ContentReader& reader) {
        sitePage(*m_context, request, response,
                 [&](const auto&) { accountpages::logOut(*m_context, request, response, reader); });
    });
    m_server.Get("/mine", [this](const httplib::Request& request, httplib::Response& response) {
        sitePage(*m_context, request, response, [&](const std::optional<Visitor>& visitor) {
            authorpages::mine(visitor, *m_context, request, response);
        });
    });
    m_server.Get("/delete", [this](const httplib::Request& request, httplib::Response& response) {
        sitePage(*m_context, request, response, [&](const std::optional<Visitor>& visitor) {
            authorpages::confirmDelete(visitor, *m_context, request, response);
        });
    });
    m_server.Post("/delete", [this](const httplib::Request& request, httplib::Response& response,
                                    const httplib::ContentReader& reader) {
        sitePage(*m_context, request, response,
                 [&](const auto&) { authorpages::deleteStory(*m_context, request, response, reader); });
    });
    m_server.Get("/browse", [this](const httplib::Request& request, httplib::Response& response) {
        sitePage(*m_context, request, response, [&](const auto&) { sitepages::browse(*m_context, request, response); });
    });
    m_server.Get("/search", [this](const httplib::Request& request, httplib::Response& response) {
        sitePage(*m_context, request, response, [&](const auto&) { sitepages::search(*m_context, request, response); });
    });
    m_server.Get("/favicon.svg",
                 [](const httplib::Request&, httplib::Response& response) { favicon::reply(response); });
    m_server.Get("/favicon.ico",
                 [](const httplib::Request&, httplib::Response& response) { favicon::reply(response); });
    m_server.Get(R"(/media/([^/]*)/([^/]*))", [this](const httplib::Request& request, httplib::Response& response) {
        sitepages::media(*m_context, request, response);
    });
    m_server.Post("/", [this](const httplib::Request& request, httplib::Response& response,
                              const httplib::ContentReader& reader) {
        sitePage(*m_context, request, response, [&](const auto&) { routePost(request, response, reader); });
    });
    m_server.set_error_handler([this](const httplib::Request& request, httplib::Response& response) {
        if (response.status == 404 && response.body.empty()) {
            storypages::notFound(response);
            try {
                if (const auto visitor = visitors::find(*m_context, request))
                    visitors::personalise(*visitor, response);
            } catch (const std::exception&) {
                // The page without the visitor's header is still the right answer.
            }
        } else if (response.status == 413 && request.get_param_value("action") == "upload") {
            requestbody::replyText(response, "FAIL=TOOBIG");
        }
    });
}

int WebService::bind(const std::string& host, int port)
{
    const int bound = port == 0 ? m_server.bind_to_any_port(host) : (m_server.bind_to_port(host, port) ? port : -1);
    if (bound > 0 && !m_server.widenListenQueue())
        std::fprintf(stderr, "pictorelle-web: cannot lengthen the listen queue; bursts of connections may time out\n");
    return bound;
}

bool WebService::run()
{
    const bool served = m_server.listen_after_bind();
    m_server.finish();
    return served;
}

void WebService::stop()
{
    m_server.stop();
}

void WebService::routeGet(const httplib::Request& request, httplib::Response& response)
{
    const std::string page = request.get_param_value("page");
    if (page.empty() && !request.has_param("page"))
        storypages::index(*m_context, request, response);
    else if (page == "detail")
        storypages::detail(*m_context, request, response);
    else if (page == "login")
        accountpages::signUpForm(response);
    else if (page == "check")
        sitepages::check(request, response);
    else
        storypages::notFound(response);
}

void WebService::routePost(const httplib::Request& request, httplib::Response& response,
                           const httplib::ContentReader& reader)
{
    const std::string action = request.get_param_value("action");
    if (action == "verify") {
        publishhandlers::verify(*m_context, request, response, reader);
    } else if (action == "upload") {
        publishhandlers::upload(*m_context, request, response, reader);
    } else if (request.get_param_value("page") == "login") {
        accountpages::signUp(*m_context, response, reader);
    } else {
        reader([](const char*, std::size_t) { return true; });
        storypages::notFound(response);
    }
}
