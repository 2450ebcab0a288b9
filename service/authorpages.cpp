#include "authorpages.h"

#include "html.h"
#include "requestbody.h"
#include "servicelimits.h"
#include "storypages.h"
#include "storystore.h"
#include "textrules.h"

#include <limits>

namespace authorpages {

namespace {

std::optional<std::int64_t> storyIdOf(std::string_view text)
{
    return textrules::parseDecimal(text, 1, std::numeric_limits<std::int64_t>::max());
}

std::string storyLink(const StoryRecord& story)
{
    return "<a href=\"/?page=detail&amp;cid=" + std::to_string(story.id) + "\">" + html::escape(story.title) + "</a>";
}

void notYours(httplib::Response& response)
{
    requestbody::replyPage(response, 403,
                           html::page("Not your story",
                                      "<h1>Not your story</h1>\n<p>Only the author of a story can "
                                      "delete it.</p>\n<p><a href=\"/mine\">See your stories</a></p>\n"));
}

} // namespace

void mine(const std::optional<Visitor>& visitor, const ServiceContext& context, const httplib::Request& request,
          httplib::Response& response)
{
    if (!visitor)
        return visitors::redirect(response, "/login");
    const auto connection = context.database.connect();
    const std::vector<StoryRecord> stories = StoryStore(*connection, context.media).listOwnedBy(visitor->userId);
    std::string body = "<h1>My stories</h1>\n";
    if (request.get_param_value("deleted") == "1")
        body += "<p class=\"notice\">The story was deleted.</p>\n";
    if (stories.empty()) {
        body += "<p>You have not published any stories yet. Press <strong>Publish to PictorelleWeb</strong> in "
                "Pictorelle to publish one.</p>\n";
    } else {
        body += "<p>Deleting a story removes it from PictorelleWeb; the story on your computer stays as it is. "
                "Publishing it again makes it a new story here.</p>\n"
                "<table>\n<thead><tr><th>Title</th><th>Type</th><th>Slides</th><th>Published</th><th></th></tr>"
                "</thead>\n<tbody>\n";
        for (const StoryRecord& s : stories) {
            body += "<tr><td>" + storyLink(s) + "</td><td>" + html::storyTypeName(s.type) + "</td><td>" +
                    std::to_string(s.slideCount) + "</td><td>" + html::date(s.published) +
                    "</td><td><form method=\"get\" action=\"/delete\"><input type=\"hidden\" name=\"cid\" value=\"" +
                    std::to_string(s.id) + "\"><button type=\"submit\">Delete</button></form></td></tr>\n";
        }
        body += "</tbody>\n</table>\n";
    }
    requestbody::replyPage(response, 200, html::page("My stories", body));
}

void confirmDelete(const std::optional<Visitor>& visitor, const ServiceContext& context,
                   const httplib::Request& request, httplib::Response& response)
{
    if (!visitor)
        return visitors::redirect(response, "/login");
    const auto id = storyIdOf(request.get_param_value("cid"));
    if (!id)
        return storypages::notFound(response);
    const auto connection = context.database.connect();
    const auto story = StoryStore(*connection, context.media).find(*id);
    if (!story)
        return storypages::notFound(response);
    if (story->ownerId != visitor->userId)
        return notYours(response);
    const std::string slides =
        story->type == 2 ? std::string("its recording") : std::to_string(story->slideCount) + " slides";
    std::string body = "<h1>Delete " + html::escape(story->title) + "?</h1>\n";
    body += "<p>" + storyLink(*story) + " (" + html::storyTypeName(story->type) + ", published " +
            html::date(story->published) + ") and " + slides +
            " will be removed from PictorelleWeb for good. The story on your computer stays as it is.</p>\n";
    body += "<form method=\"post\" action=\"/delete\">" + html::csrfField(visitor->csrf) +
            "<input type=\"hidden\" name=\"cid\" value=\"" + std::to_string(story->id) +
            "\">\n<p><button type=\"submit\">Delete for good</button> <a href=\"/mine\">Keep it</a></p>\n</form>\n";
    requestbody::replyPage(response, 200, html::page("Delete " + story->title, body));
}

void deleteStory(const ServiceContext& context, const httplib::Request& request, httplib::Response& response,
                 const httplib::ContentReader& reader)
{
    std::string body;
    const bool read = requestbody::readText(reader, limits::SignUpBody, body);
    const auto visitor = visitors::find(context, request);
    if (!visitor)
        return visitors::redirect(response, "/login");
    if (!read || !visitors::formIsTheirs(*visitor, textrules::formField(body, "csrf")))
        return visitors::refuseForm(response);
    const auto id = storyIdOf(textrules::formField(body, "cid"));
    if (!id)
        return storypages::notFound(response);
    const auto connection = context.database.connect();
    switch (StoryStore(*connection, context.media).remove(visitor->userId, *id)) {
    case RemoveResult::Removed:
        return visitors::redirect(response, "/mine?deleted=1");
    case RemoveResult::NotFound:
        return storypages::notFound(response);
    case RemoveResult::NotOwner:
        return notYours(response);
    }
}

} // namespace authorpages
