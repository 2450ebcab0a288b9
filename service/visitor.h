#pragma once

#include "servicecontext.h"

#include <httplib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

//! The logged-in person behind a request, known by the session cookie.
struct Visitor
{
    std::int64_t userId = 0;
    //! Raw user name, not HTML.
    std::string name;
    //! What the session's forms must send back as "csrf".
    std::string csrf;
    //! The session token the cookie carries.
    std::string token;
};

//! The session cookie of the site's log-in and the checks every logged-in page makes.
namespace visitors {

//! Name of the cookie that carries the session token.
constexpr std::string_view CookieName = "pictorelle_session";

//! The session token in the request's cookies; empty when there is none.
std::string cookieToken(const httplib::Request& request);

//! The visitor of a live session named by the request's cookie.
std::optional<Visitor> find(const ServiceContext& context, const httplib::Request& request);

//! Sets the cookie of a new session: HttpOnly, SameSite=Lax, Path=/, lasting as long as the
//! session; Secure when the site's base address is https.
void setCookie(const ServiceContext& context, httplib::Response& response, const std::string& token);
//! Tells the browser to drop the session cookie.
void clearCookie(const ServiceContext& context, httplib::Response& response);

//! Whether a form's "csrf" value is the visitor's session's.
bool formIsTheirs(const Visitor& visitor, std::string_view csrf);

//! Puts the visitor's header on an HTML page made by html::page(); personal pages are not cached.
void personalise(const Visitor& visitor, httplib::Response& response);

//! The 403 page for a state-changing form without the session's csrf token.
void refuseForm(httplib::Response& response);

//! A 303 reply sending the browser to a path of the site.
void redirect(httplib::Response& response, const std::string& path);

} // namespace visitors
