#include "sitebrowser.h"

#include <regex>

httplib::Headers SiteBrowser::headers() const
{
    if (cookie.empty())
        return {};
    return {{"Cookie", cookie}};
}

void SiteBrowser::keepCookie(const httplib::Result& reply)
{
    if (!reply || !reply->has_header("Set-Cookie"))
        return;
    static const std::regex session("pictorelle_session=([^;]*);.*Max-Age=([0-9]+).*");
    std::smatch match;
    const std::string set = reply->get_header_value("Set-Cookie");
    if (!std::regex_match(set, match, session))
        return;
    cookie = match[2].str() == "0" ? std::string() : "pictorelle_session=" + match[1].str();
}

httplib::Result SiteBrowser::get(const std::string& path)
{
    auto reply = m_service->client()->Get(path, headers());
    keepCookie(reply);
    return reply;
}

httplib::Result SiteBrowser::post(const std::string& path, const httplib::Params& form)
{
    auto reply = m_service->client()->Post(path, headers(), form);
    keepCookie(reply);
    return reply;
}

httplib::Result SiteBrowser::logIn(const std::string& name, const std::string& password)
{
    return post("/login", {{"username", name}, {"password", password}});
}

std::string SiteBrowser::csrf()
{
    const auto page = get("/mine");
    return page && page->status == 200 ? csrfOf(page->body) : std::string();
}

std::string csrfOf(const std::string& page)
{
    static const std::regex field("<input type=\"hidden\" name=\"csrf\" value=\"([^\"]*)\">");
    std::smatch match;
    return std::regex_search(page, match, field) ? match[1].str() : std::string();
}
