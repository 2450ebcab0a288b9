#include "accountpages.h"

#include "accountstore.h"
#include "html.h"
#include "requestbody.h"
#include "servicelimits.h"
#include "textrules.h"

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
            "<p><button type=\"submit\">Sign up</button></p>\n</form>\n";
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
    // A name that is not valid UTF-8 is not shown back.
    const std::string shownName = textrules::isValidUtf8(name) ? name : std::string();
    requestbody::replyPage(response, status, html::page("Sign up", formHtml(shownName, message)));
}

} // namespace accountpages
