#include "publishhandlers.h"

#include "accountstore.h"
#include "clientaddress.h"
#include "formcollector.h"
#include "loginlimiter.h"
#include "requestbody.h"
#include "servicelimits.h"
#include "storystore.h"
#include "textrules.h"
#include "uploadcheck.h"
#include "version.h"

#include <algorithm>
#include <cctype>

namespace publishhandlers {

namespace {

std::string partText(const FormCollector& form, const char* name)
{
    const FormPart* part = form.part(name);
    return part ? part->text : std::string();
}

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

void fail(httplib::Response& response, UploadError error)
{
    requestbody::replyText(response, "FAIL=" + errorWord(error));
}

} // namespace

void verify(const ServiceContext& context, const httplib::Request& request, httplib::Response& response,
            const httplib::ContentReader& reader)
{
    FormCollector form;
    const bool read = requestbody::readForm(request, reader, form);
    if (response.status == 413 || form.tooBig())
        return requestbody::replyText(response, "The request is too large.");
    if (!read)
        return requestbody::replyText(response, "The request could not be read.");
    if (!version::atLeast(partText(form, "version"), version::OldestPublishing))
        return requestbody::replyText(response, "Please update Pictorelle to publish.");

    const auto connection = context.database.connect();
    AccountStore accounts(*connection);
    // The program sends lower-case digits; upper case is the same digest.
    const LoginAttempt attempt =
        attemptLogin(*connection, context.loginBackoff, clientAddress(request, context.trustedProxies),
                     partText(form, "cusername"), lowerCase(partText(form, "cpassword")));
    if (attempt.refusal)
        return requestbody::replyText(response, refusalMessage(*attempt.refusal));
    const auto& user = attempt.user;
    if (!user)
        return requestbody::replyText(response, "Wrong user name or password.");
    if (!form.part("num_slides"))
        return requestbody::replyText(response, "Only picture stories and podcasts can be published.");
    const auto count = textrules::parseDecimal(partText(form, "num_slides"), 1, limits::Slides);
    if (!count)
        return requestbody::replyText(response, "A Pictorelle holds between 1 and 50 slides.");

    const std::int64_t now = requestbody::unixMillis();
    const std::string code =
        accounts.issueCode(*user, static_cast<int>(*count), now + std::int64_t(context.codeLifetime) * 1000, now);
    requestbody::replyText(response, "OKAY," + code + "," + context.base + "/?action=upload");
}

void upload(const ServiceContext& context, const httplib::Request& request, httplib::Response& response,
            const httplib::ContentReader& reader)
{
    const StagingFolder staging = context.media.stage();
    FormCollector form(staging.path());
    const bool read = requestbody::readForm(request, reader, form);
    // Beyond the request limit nothing usable has been read, not even the account.
    if (response.status == 413 || (!read && form.tooBig()))
        return fail(response, UploadError::TooBig);
    if (form.writeFailed())
        return fail(response, UploadError::ServerError);
    if (!read)
        return fail(response, UploadError::BadData);
    const std::string versionText = partText(form, "version");
    if (!version::parse(versionText))
        return fail(response, UploadError::BadData);
    if (!version::atLeast(versionText, version::OldestPublishing))
        return fail(response, UploadError::OldVersion);

    const auto connection = context.database.connect();
    AccountStore accounts(*connection);
    const auto user = accounts.findUser(partText(form, "cusername"));
    if (!user)
        return fail(response, UploadError::BadLogin);
    // The code is spent by this attempt whatever follows; the program asks for a new one each time.
    const auto verifiedSlides = accounts.takeCode(*user, partText(form, "verify_code"), requestbody::unixMillis());
    if (!verifiedSlides)
        return fail(response, UploadError::BadCode);
    if (form.tooBig())
        return fail(response, UploadError::TooBig);

    const auto checked = readStoryDraft(form, *verifiedSlides);
    if (const auto* error = std::get_if<UploadError>(&checked))
        return fail(response, *error);
    StoryStore stories(*connection, context.media);
    const PublishResult result = stories.publish(*user, std::get<StoryDraft>(checked));
    if (result.notOwner)
        return fail(response, UploadError::NotOwner);
    requestbody::replyText(response, "OKAY=" + std::to_string(result.id));
}

} // namespace publishhandlers
