#include "visitor.h"

#include "html.h"
#include "requestbody.h"
#include "sessionstore.h"

#include <ctime>

namespace visitors {

namespace {

std::string cookie(const ServiceContext& context, std::string_view value, std::int64_t maxAge)
{
    std::string text(CookieName);
    text += "=";
    text += value;
    text += "; Max-Age=" + std::to_string(maxAge) + "; Path=/; HttpOnly; SameSite=Lax";
    if (context.base.starts_with("https://"))
        text += "; Secure";
    return text;
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::string cookieToken(const httplib::Request& request)
{
    // "Cookie: a=1; pictorelle_session=…"; a browser may send several Cookie lines.
    const auto [first, last] = request.headers.equal_range("Cookie");
    for (auto it = first; it != last; ++it) {
        std::string_view rest = it->second;
        while (!rest.empty()) {
            const std::size_t end = rest.find(';');
            const std::string_view pair = trimmed(rest.substr(0, end));
            const std::size_t eq = pair.find('=');
            if (eq != std::string_view::npos && trimmed(pair.substr(0, eq)) == CookieName) {
                const std::string_view value = trimmed(pair.substr(eq + 1));
                if (isSessionToken(value))
                    return std::string(value);
            }
            if (end == std::string_view::npos)
                break;
            rest.remove_prefix(end + 1);
        }
    }
    return {};
}

std::optional<Visitor> find(const ServiceContext& context, const httplib::Request& request)
{
    const std::string token = cookieToken(request);
    if (token.empty())
        return std::nullopt;
    const auto connection = context.database.connect();
    const auto session = SessionStore(*connection).find(token, std::time(nullptr));
    if (!session)
        return std::nullopt;
    return Visitor{session->userId, session->userName, session->csrf, token};
}

void setCookie(const ServiceContext& context, httplib::Response& response, const std::string& token)
{
    response.set_header("Set-Cookie", cookie(context, token, SessionStore::Lifetime));
}

void clearCookie(const ServiceContext& context, httplib::Response& response)
{
    response.set_header("Set-Cookie", cookie(context, "", 0));
}

bool formIsTheirs(const Visitor& visitor, std::string_view csrf)
{
    return !csrf.empty() && sameSecret(visitor.csrf, csrf);
}

void personalise(const Visitor& visitor, httplib::Response& response)
{
    if (!response.get_header_value("Content-Type").starts_with("text/html"))
        return;
    response.body = html::forVisitor(std::move(response.body), visitor.name, visitor.csrf);
    if (!response.has_header("Cache-Control"))
        response.set_header("Cache-Control", "private, no-store");
}

void refuseForm(httplib::Response& response)
{
    requestbody::replyPage(response, 403,
                           html::page("Form refused",
                                      "<h1>Form refused</h1>\n<p>This form did not come from your current session on "
                                      "PictorelleWeb, so nothing was changed. Please go back, reload the page and try "
                                      "again.</p>\n"));
}

void redirect(httplib::Response& response, const std::string& path)
{
    response.status = 303;
    response.set_header("Location", path);
    response.set_header("Cache-Control", "no-store");
    response.set_content("<!DOCTYPE html>\n<p><a href=\"" + html::escape(path) + "\">Continue</a></p>\n",
                         "text/html; charset=utf-8");
}

} // namespace visitors
