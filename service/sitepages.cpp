#include "sitepages.h"

#include "html.h"
#include "requestbody.h"
#include "storypages.h"
#include "version.h"

#include <fstream>
#include <iterator>

namespace sitepages {

void check(const httplib::Request& request, httplib::Response& response)
{
    const std::string given = request.get_param_value("ver");
    const auto yours = version::parse(given);
    const std::string latest(version::Latest);
    if (!yours) {
        const std::string problem = given.empty()
                                        ? "Please name the version to check, as in /?page=check&amp;ver=1.0."
                                        : "\"" + html::escape(given) + "\" is not a version number of Pictorelle.";
        requestbody::replyPage(response, 400,
                               html::page("Update check", "<h1>Update check</h1>\n<p>" + problem + "</p>\n"));
        return;
    }
    std::string body = "<h1>Update check</h1>\n";
    if (version::compare(*yours, *version::parse(latest)) >= 0)
        body += "<p>You have the latest version of Pictorelle (" + latest + ").</p>\n";
    else
        body += "<p>A newer version of Pictorelle (" + latest + ") is available. You have version " +
                html::escape(given) + ".</p>\n";
    requestbody::replyPage(response, 200, html::page("Update check", body));
}

void media(const ServiceContext& context, const httplib::Request& request, httplib::Response& response)
{
    const auto file = context.media.find(request.matches[1].str(), request.matches[2].str());
    if (!file)
        return storypages::notFound(response);
    std::ifstream in(*file, std::ios::binary);
    if (!in)
        return storypages::notFound(response);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    response.status = 200;
    // Names carry the revision, so a name's content never changes.
    response.set_header("Cache-Control", "public, max-age=86400");
    response.set_header("X-Content-Type-Options", "nosniff");
    response.set_content(bytes, MediaStore::contentType(request.matches[2].str()));
}

} // namespace sitepages
