#include "accountpages.h"

#include "accountstore.h"
#include "clientaddress.h"
#include "html.h"
#include "loginlimiter.h"
#include "requestbody.h"
#include "servicelimits.h"
#include "sessionstore.h"
#include "textrules.h"

#include <ctime>

namespace accountpages {

namespace {

std::string formHtml(const std::string& name, const std::string& problem)
{
    std::string body = "<h1>Sign up for PictorelleWeb</h1>\n";
    if (!problem.empty())
        body += "<p class=\"error\">" + html::escape(problem) + "</p>\n";
    body += "<p>Choose a user name and a password. Enter the same in Pictorelle's User Settings "
            "to publish your Pictorelles here.</p>\n"
            "<form method=\"post\" action=\"/?page=login\" accept-charset=\"UTF-8\">\n"
            "<p><label>User name: <input name=\"username\" maxlength=\"254\" required value=\"" +
            html::escape(name) +
            "\"></label></p>\n"
            "<p><label>Password (case sensitive): <input type=\"password\" name=\"password\" maxlength=\"254\" "
            "required></label></p>\n"
            "<p><label>Confirm password: <input type=\"password\" name=\"confirm\" maxlength=\"254\" "
            "required></label></p>\n"
            "<p><button type=\"submit\">Sign up</button></p>\n</form>\n"
            "<p>Already signed up? <a href=\"/login\">Log in</a></p>\n";
    return body;
}

std::string logInHtml(const std::string& name, const std::string& problem)
{
    std::string body = "<h1>Log in to PictorelleWeb</h1>\n";
    if (!problem.empty())
        body += "<p class=\"error\">" + html::escape(problem) + "</p>\n";
    body += "<p>Log in with the user name and password you publish with, to see and delete your "
            "stories.</p>\n"
            "<form method=\"post\" action=\"/login\" accept-charset=\"UTF-8\">\n"
            "<p><label>User name: <input name=\"username\" maxlength=\"254\" required value=\"" +
            html::escape(name) +
            "\"></label></p>\n"
            "<p><label>Password: <input type=\"password\" name=\"password\" maxlength=\"254\" required>"
            "</label></p>\n"
            "<p><button type=\"submit\">Log in</button></p>\n</form>\n"
            "<p>No account yet? <a href=\"/?page=login\">Sign up</a></p>\n";
    return body;
}

} // namespace

void signUpForm(httplib::Response& response)
{
    requestbody::replyPage(response, 200, html::page("Sign up", formHtml({}, {})));
}

void signUp(const ServiceContext& context, httplib::Response& response, const httplib::ContentReader& reader)
{
    std::string body;
    if (!requestbody::readText(reader, limits::SignUpBody, body)) {
        requestbody::replyPage(response, 413, html::page("Sign up", formHtml({}, "The form is too large.")));
        return;
    }
    const std::string name = textrules::formField(body, "username");
    const std::string password = textrules::formField(body, "password");
    // A name that is not valid UTF-8 is not shown back.
    const std::string shownName = textrules::isValidUtf8(name) ? name : std::string();
    if (password != textrules::formField(body, "confirm")) {
        requestbody::replyPage(response, 400,
                               html::page("Sign up", formHtml(shownName, "The two passwords are not the same. "
                                                                         "Please enter your password twice.")));
        return;
    }
    const auto connection = context.database.connect();
    const SignUpResult result = AccountStore(*connection).addUser(name, password);
    const std::string message = signUpMessage(result, name);
    if (result == SignUpResult::Added) {
        requestbody::replyPage(response, 200,
                               html::page("Welcome", "<h1>Your account is ready</h1>\n<p>" + html::escape(message) +
                                                         "</p>\n<p><a href=\"/\">See the published stories</a></p>\n"));
        return;
    }
    const int status = result == SignUpResult::NameTaken ? 409 : 400;
    requestbody::replyPage(response, status, html::page("Sign up", formHtml(shownName, message)));
}

void logInForm(const std::optional<Visitor>& visitor, httplib::Response& response)
{
    if (visitor) {
        requestbody::replyPage(response, 200,
                               html::page("Log in", "<h1>Log in to PictorelleWeb</h1>\n<p>You are logged in as " +
                                                        html::escape(visitor->name) +
                                                        ".</p>\n<p><a href=\"/mine\">See your stories</a></p>\n"));
        return;
    }
    requestbody::replyPage(response, 200, html::page("Log in", logInHtml({}, {})));
}

void logIn(const ServiceContext& context, const httplib::Request& request, httplib::Response& response,
           const httplib::ContentReader& reader)
{
    std::string body;
    if (!requestbody::readText(reader, limits::SignUpBody, body)) {
        requestbody::replyPage(response, 413, html::page("Log in", logInHtml({}, "The form is too large.")));
        return;
    }
    const std::string name = textrules::formField(body, "username");
    const auto connection = context.database.connect();
    // The same check as publishing, with the same back-off: the program sends this digest as
    // "cpassword".
    const LoginAttempt attempt =
        attemptLogin(*connection, context.loginBackoff, clientAddress(request, context.trustedProxies), name,
                     passwordDigest(textrules::formField(body, "password")));
    const std::string shownName = textrules::isValidUtf8(name) ? name : std::string();
    if (attempt.refusal) {
        // Whole seconds, rounded up: an attempt sooner is refused again.
        response.set_header("Retry-After", std::to_string((attempt.refusal->waitMillis + 999) / 1000));
        requestbody::replyPage(response, 429,
                               html::page("Log in", logInHtml(shownName, refusalMessage(*attempt.refusal))));
        return;
    }
    const auto& user = attempt.user;
    if (!user) {
        requestbody::replyPage(response, 403,
                               html::page("Log in", logInHtml(shownName, "Wrong user name or password.")));
        return;
    }
    SessionStore sessions(*connection);
    // Logging in again, perhaps as someone else, ends the session the browser had.
    if (const std::string old = visitors::cookieToken(request); !old.empty())
        sessions.remove(old);
    visitors::setCookie(context, response, sessions.create(*user, std::time(nullptr)));
    visitors::redirect(response, "/mine");
}

void logOut(const ServiceContext& context, const httplib::Request& request, httplib::Response& response,
            const httplib::ContentReader& reader)
{
    std::string body;
    const bool read = requestbody::readText(reader, limits::SignUpBody, body);
    const auto visitor = visitors::find(context, request);
    if (!visitor) {
        // Nothing to end: the session is over already, perhaps in another window.
        visitors::clearCookie(context, response);
        visitors::redirect(response, "/");
        return;
    }
    if (!read || !visitors::formIsTheirs(*visitor, textrules::formField(body, "csrf")))
        return visitors::refuseForm(response);
    const auto connection = context.database.connect();
    SessionStore(*connection).remove(visitor->token);
    visitors::clearCookie(context, response);
    visitors::redirect(response, "/");
}

} // namespace accountpages
