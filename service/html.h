#pragma once

#include <cstdint>
#include <string>
#include <string_view>

//! Building blocks of the service's HTML5 pages (UTF-8).
namespace html {

//! The site's style sheet, which every page holds in its head.
std::string_view styleSheet();

//! Text made safe for element content and quoted attribute values: & < > " ' are escaped.
std::string escape(std::string_view text);

//! A complete page: doctype, head with charset and title, the site's header (with the links of
//! a visitor who has not logged in) and body.
//! title is raw text (escaped here); body is ready HTML.
std::string page(std::string_view title, std::string_view body);

//! A page made by page() with the header of a logged-in visitor: "My stories" and a
//! "Log out (name)" button whose form carries the session's csrf token. name is raw text.
std::string forVisitor(std::string page, std::string_view name, std::string_view csrf);

//! The hidden "csrf" field every state-changing form of a session carries.
std::string csrfField(std::string_view csrf);

//! Minutes ":" seconds with two-digit seconds, as the desktop program shows lengths ("1:05").
std::string duration(int seconds);

//! A Unix time as "2026-12-06 18:29 UTC".
std::string date(std::int64_t unixSeconds);

//! "Picture story", "Podcast", or "Story type N".
std::string storyTypeName(int type);

} // namespace html
