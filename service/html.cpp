#include "html.h"

#include <ctime>

namespace html {

namespace {

constexpr std::string_view Style = R"css(
body { font-family: sans-serif; max-width: 60rem; margin: 0 auto; padding: 0 1rem 2rem; color: #222; }
header { border-bottom: 1px solid #ccc; margin-bottom: 1rem; padding: .5rem 0; }
header a { margin-right: 1rem; }
table { border-collapse: collapse; width: 100%; }
th, td { text-align: left; padding: .3rem .5rem; border-bottom: 1px solid #eee; }
.text { white-space: pre-line; }
.transcript { white-space: pre-wrap; background: #f6f6f6; padding: 1rem; }
figure.slide img { max-width: 100%; }
figure.slide figcaption { white-space: pre-line; font-size: 1.2rem; margin: .5rem 0; }
.thumbs { list-style: none; padding: 0; display: flex; flex-wrap: wrap; gap: .3rem; }
.thumbs a[aria-current] img { outline: 3px solid #2a6f97; outline-offset: 1px; }
dl.facts { display: grid; grid-template-columns: max-content 1fr; gap: .1rem 1rem; }
dl.facts dt { color: #666; }
dl.facts dd { margin: 0; }
[hidden] { display: none !important; }
.controls { display: flex; flex-wrap: wrap; align-items: center; gap: .5rem; margin: .5rem 0; }
.controls progress { flex: 1 1 8rem; height: .8rem; cursor: pointer; }
.controls .time, .controls .counter { font-variant-numeric: tabular-nums; }
.stage figure.slide img { max-height: 65vh; }
.stage:fullscreen { background: #000; color: #eee; padding: 1rem; box-sizing: border-box; display: flex;
  flex-direction: column; justify-content: center; }
.stage:fullscreen figure.slide { margin: 0; text-align: center; }
.stage:fullscreen figure.slide img { max-height: calc(100vh - 10rem); }
.error { color: #a00; }
.notice { color: #060; }
header form, td form { display: inline; margin: 0; }
header .account { float: right; }
.categories .count { color: #666; }
)css";

// The account links of a visitor who has not logged in; forVisitor() replaces them.
constexpr std::string_view GuestLinks = "<span class=\"account\"><a href=\"/login\">Log in</a>"
                                        "<a href=\"/?page=login\">Sign up</a></span>";

} // namespace

std::string_view styleSheet()
{
    return Style;
}

std::string escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string page(std::string_view title, std::string_view body)
{
    std::string out = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                      "<link rel=\"icon\" href=\"/favicon.svg\" type=\"image/svg+xml\">\n<title>";
    out += escape(title);
    out += " - PictorelleWeb</title>\n<style>";
    out += Style;
    out += "</style>\n</head>\n<body>\n<header><a href=\"/\">PictorelleWeb</a>"
           "<a href=\"/browse\">Browse</a><a href=\"/search\">Search</a>";
    out += GuestLinks;
    out += "</header>\n<main>\n";
    out += body;
    out += "</main>\n</body>\n</html>\n";
    return out;
}

std::string forVisitor(std::string page, std::string_view name, std::string_view csrf)
{
    const std::size_t at = page.find(GuestLinks);
    if (at == std::string::npos)
        return page;
    std::string links = "<span class=\"account\"><a href=\"/mine\">My stories</a>"
                        "<form method=\"post\" action=\"/logout\">";
    links += csrfField(csrf);
    links += "<button type=\"submit\">Log out (";
    links += escape(name);
    links += ")</button></form></span>";
    page.replace(at, GuestLinks.size(), links);
    return page;
}

std::string csrfField(std::string_view csrf)
{
    return "<input type=\"hidden\" name=\"csrf\" value=\"" + escape(csrf) + "\">";
}

std::string duration(int seconds)
{
    const int s = seconds % 60;
    return std::to_string(seconds / 60) + (s > 9 ? ":" : ":0") + std::to_string(s);
}

std::string date(std::int64_t unixSeconds)
{
    const std::time_t t = static_cast<std::time_t>(unixSeconds);
    std::tm parts{};
    gmtime_r(&t, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &parts);
    return text;
}

std::string storyTypeName(int type)
{
    if (type == 1)
        return "Picture story";
    if (type == 2)
        return "Podcast";
    return "Story type " + std::to_string(type);
}

} // namespace html
