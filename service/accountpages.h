#pragma once

#include "servicecontext.h"
#include "visitor.h"

#include <httplib.h>

#include <optional>

//! The account pages: sign-up "/?page=login" (the page the program's "New User" button
//! opens), log in "/login" and log out "/logout".
namespace accountpages {

//! GET: the form asking for a user name and a password, twice.
void signUpForm(httplib::Response& response);

//! POST: stores the user (password kept only as a slow salted hash of its MD5 digest) and
//! confirms, or shows the form again with the reason, keeping the name.
void signUp(const ServiceContext& context, httplib::Response& response, const httplib::ContentReader& reader);

//! GET "/login": the log-in form; a visitor already logged in is told so.
void logInForm(const std::optional<Visitor>& visitor, httplib::Response& response);

//! POST "/login": checks name and password the way publishing does (the MD5 digest of the
//! password against the stored hash, with the same back-off), starts a session and sends the
//! browser to "My stories"; the form again, with no cookie, when they do not match (403) or
//! when the attempt has to wait (429 with the sentence saying how long).
void logIn(const ServiceContext& context, const httplib::Request& request, httplib::Response& response,
           const httplib::ContentReader& reader);

//! POST "/logout": ends the session when the form carries its csrf token.
void logOut(const ServiceContext& context, const httplib::Request& request, httplib::Response& response,
            const httplib::ContentReader& reader);

} // namespace accountpages
