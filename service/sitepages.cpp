#include "sitepages.h"

#include "html.h"
#include "requestbody.h"
#include "storypages.h"
#include "storystore.h"
#include "textrules.h"
#include "version.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

namespace sitepages {

namespace {

// Search words longer than this (in UTF-16 code units, as titles are counted) are refused.
constexpr std::size_t SearchCharacters = 100;

// Id step of each category level: level-1 ids are multiples of 1,000,000, level-2 ids of
// 10,000 and level-3 ids of 100; a category's sub-categories lie below id + step.
constexpr std::int64_t LevelStep[] = {1000000, 10000, 100, 1};

std::int64_t levelStep(std::int64_t id)
{
    for (const std::int64_t step : LevelStep)
        if (id % step == 0)
            return step;
    return 1;
}

// The categories above id, nearest first; ids below 1,000,000 have none.
std::vector<std::int64_t> ancestorsOf(std::int64_t id)
{
    std::vector<std::int64_t> found;
    for (int level = 2; level >= 0; --level) {
        const std::int64_t above = id - id % LevelStep[level];
        if (above != 0 && above != id && (found.empty() || found.back() != above))
            found.push_back(above);
    }
    return found;
}

std::string categoryName(const ServiceContext& context, std::int64_t id)
{
    if (const CategoryName* known = context.categories.find(id))
        return known->name;
    return "Category " + std::to_string(id);
}

// "Family > Pets > Dogs" for a category of the catalogue.
std::string categoryPath(const ServiceContext& context, std::int64_t id)
{
    const std::string path = context.categories.pathText(id);
    return path.empty() ? categoryName(context, id) : path;
}

std::string categoryAddress(std::int64_t id)
{
    return "/browse?category=" + std::to_string(id);
}

std::string storyCount(std::int64_t count)
{
    if (count == 0)
        return "no stories";
    return std::to_string(count) + (count == 1 ? " story" : " stories");
}

// Every byte but the unreserved ones as %XX, for a value in a link's query.
std::string percentEncoded(std::string_view text)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            out += ch;
        } else {
            out += '%';
            out += Digits[c >> 4];
            out += Digits[c & 0x0F];
        }
    }
    return out;
}

// The "page" parameter: 1 when absent, nothing when it is not a page number.
std::optional<std::int64_t> pageNumber(const httplib::Request& request)
{
    if (!request.has_param("page"))
        return 1;
    return textrules::parseDecimal(request.get_param_value("page"), 1, 1000000);
}

std::string storyTable(const ServiceContext& context, const std::vector<StoryRecord>& stories)
{
    std::string out = "<table>\n<thead><tr><th>Title</th><th>Owner</th><th>Type</th><th>Category</th><th>Slides</th>"
                      "<th>Length</th><th>Published</th></tr></thead>\n<tbody>\n";
    for (const StoryRecord& s : stories) {
        out += "<tr><td><a href=\"/?page=detail&amp;cid=" + std::to_string(s.id) + "\">" + html::escape(s.title) +
               "</a></td><td>" + html::escape(s.owner) + "</td><td>" + html::storyTypeName(s.type) +
               "</td><td><a href=\"" + categoryAddress(s.category) + "\">" +
               html::escape(categoryPath(context, s.category)) + "</a></td><td>" + std::to_string(s.slideCount) +
               "</td><td>" + html::duration(s.totalSeconds) + "</td><td>" + html::date(s.published) + "</td></tr>\n";
    }
    return out + "</tbody>\n</table>\n";
}

// "Previous" and "Next" around "Page P of N"; address is the list's address without "page".
std::string pageLinks(const std::string& address, std::int64_t page, std::int64_t total)
{
    const std::int64_t pages = std::max<std::int64_t>(1, (total + PageSize - 1) / PageSize);
    if (pages == 1 && page == 1)
        return {};
    const char* glue = address.find('?') == std::string::npos ? "?" : "&";
    auto link = [&](std::int64_t target, const char* rel, const char* label) {
        return std::string("<a rel=\"") + rel + "\" href=\"" +
               html::escape(address + glue + "page=" + std::to_string(target)) + "\">" + label + "</a>";
    };
    std::string out = "<p class=\"pages\">";
    if (page > 1)
        out += link(std::min(page - 1, pages), "prev", "Previous") + " ";
    out += "Page " + std::to_string(page) + " of " + std::to_string(pages);
    if (page < pages)
        out += " " + link(page + 1, "next", "Next");
    return out + "</p>\n";
}

const char* fieldParameter(SearchField field)
{
    return field == SearchField::Title ? "title" : field == SearchField::Tags ? "tags" : "all";
}

std::string searchForm(const std::string& words, SearchField field)
{
    auto option = [field](SearchField value, const char* label) {
        return std::string("<option value=\"") + fieldParameter(value) + "\"" + (value == field ? " selected" : "") +
               ">" + label + "</option>";
    };
    return "<form method=\"get\" action=\"/search\" accept-charset=\"UTF-8\">\n<p><label>Search for "
           "<input type=\"search\" name=\"q\" maxlength=\"100\" value=\"" +
           html::escape(words) + "\"></label> <label>in <select name=\"by\">" +
           option(SearchField::TitleOrTags, "titles and tags") + option(SearchField::Title, "titles") +
           option(SearchField::Tags, "tags") +
           "</select></label> <button type=\"submit\">Search</button></p>\n</form>\n";
}

// The categories as a tree, each counting its own stories and those of its sub-categories.
struct CategoryCounts
{
    std::map<std::int64_t, std::int64_t> total;
    //! Sub-categories by parent; 0 is the top.
    std::map<std::int64_t, std::set<std::int64_t>> children;

    void add(std::int64_t id, std::int64_t count)
    {
        const std::vector<std::int64_t> above = ancestorsOf(id);
        total[id] += count;
        for (const std::int64_t a : above)
            total[a] += count;
        children[above.empty() ? 0 : above.front()].insert(id);
        for (std::size_t i = 0; i < above.size(); ++i)
            children[i + 1 < above.size() ? above[i + 1] : 0].insert(above[i]);
    }

    std::int64_t of(std::int64_t id) const
    {
        const auto it = total.find(id);
        return it == total.end() ? 0 : it->second;
    }
};

CategoryCounts countCategories(const ServiceContext& context, StoryStore& stories)
{
    CategoryCounts counts;
    for (const auto& [id, count] : stories.categoryCounts())
        counts.add(id, count);
    // The catalogue's top categories are listed even while they hold no stories.
    for (const CategoryName* entry : context.categories.children(0))
        counts.children[0].insert(entry->id);
    return counts;
}

std::string categoryList(const ServiceContext& context, const CategoryCounts& counts, const std::set<std::int64_t>& ids,
                         bool nested)
{
    std::string out = "<ul class=\"categories\">\n";
    for (const std::int64_t id : ids) {
        out += "<li><a href=\"" + categoryAddress(id) + "\">" + html::escape(categoryName(context, id)) +
               "</a> <span class=\"count\">" + storyCount(counts.of(id)) + "</span>";
        const auto below = counts.children.find(id);
        if (nested && below != counts.children.end())
            out += "\n" + categoryList(context, counts, below->second, true);
        out += "</li>\n";
    }
    return out + "</ul>\n";
}

void categoryPage(const ServiceContext& context, const httplib::Request& request, httplib::Response& response,
                  std::int64_t id)
{
    const auto page = pageNumber(request);
    if (!page)
        return storypages::notFound(response);
    const auto connection = context.database.connect();
    StoryStore stories(*connection, context.media);
    CategoryCounts counts = countCategories(context, stories);
    if (!context.categories.find(id) && counts.of(id) == 0)
        return storypages::notFound(response);
    // Here every sub-category of the catalogue is offered, with or without stories.
    for (const CategoryName* entry : context.categories.children(id))
        counts.children[id].insert(entry->id);

    const std::int64_t step = levelStep(id);
    const StoryPage found = stories.listInCategories(id, id + step - 1, (*page - 1) * PageSize, PageSize);
    const std::string name = categoryName(context, id);
    std::string body = "<nav><a href=\"/browse\">All categories</a>";
    const std::vector<std::int64_t> above = ancestorsOf(id);
    for (auto it = above.rbegin(); it != above.rend(); ++it)
        body += " &gt; <a href=\"" + categoryAddress(*it) + "\">" + html::escape(categoryName(context, *it)) + "</a>";
    body += "</nav>\n<h1>" + html::escape(name) + "</h1>\n";
    if (const auto below = counts.children.find(id); below != counts.children.end())
        body += categoryList(context, counts, below->second, false);
    const std::string where = step > 1 ? " in this category and its sub-categories" : " in this category";
    body += found.total == 0 ? "<p>No stories" + where + " yet.</p>\n"
                             : "<p>" + storyCount(found.total) + where + ".</p>\n";
    if (!found.stories.empty())
        body += storyTable(context, found.stories);
    else if (found.total > 0)
        body += "<p>There are no more stories after this page.</p>\n";
    body += pageLinks(categoryAddress(id), *page, found.total);
    requestbody::replyPage(response, 200, html::page(name, body));
}

std::string trimmed(std::string text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

void browse(const ServiceContext& context, const httplib::Request& request, httplib::Response& response)
{
    if (request.has_param("category")) {
        const auto id = textrules::parseDecimal(request.get_param_value("category"), 1, 2147483647);
        if (!id)
            return storypages::notFound(response);
        return categoryPage(context, request, response, *id);
    }
    const auto connection = context.database.connect();
    StoryStore stories(*connection, context.media);
    const CategoryCounts counts = countCategories(context, stories);
    std::string body = "<h1>Browse by category</h1>\n" + searchForm({}, SearchField::TitleOrTags);
    const auto top = counts.children.find(0);
    if (top == counts.children.end())
        body += "<p>No stories have been published yet.</p>\n";
    else
        body += categoryList(context, counts, top->second, true);
    requestbody::replyPage(response, 200, html::page("Browse by category", body));
}

void search(const ServiceContext& context, const httplib::Request& request, httplib::Response& response)
{
    const std::string words = trimmed(request.get_param_value("q"));
    const std::string by = request.get_param_value("by");
    const SearchField field = by == "title"  ? SearchField::Title
                              : by == "tags" ? SearchField::Tags
                                             : SearchField::TitleOrTags;
    const auto page = pageNumber(request);
    if (!page)
        return storypages::notFound(response);
    if (!textrules::isValidUtf8(words)) {
        requestbody::replyPage(
            response, 400,
            html::page("Search", "<h1>Search</h1>\n" + searchForm({}, field) +
                                     "<p class=\"error\">The search words are not valid text.</p>\n"));
        return;
    }
    std::string body = "<h1>Search</h1>\n" + searchForm(words, field);
    if (textrules::utf16Length(words) > SearchCharacters) {
        body +=
            "<p class=\"error\">Please search for at most " + std::to_string(SearchCharacters) + " characters.</p>\n";
        requestbody::replyPage(response, 400, html::page("Search", body));
        return;
    }
    if (words.empty()) {
        body += "<p>Find stories by a part of their title or of one of their tags. Upper and lower case do not "
                "matter.</p>\n";
        requestbody::replyPage(response, 200, html::page("Search", body));
        return;
    }
    const auto connection = context.database.connect();
    const StoryPage found =
        StoryStore(*connection, context.media).search(words, field, (*page - 1) * PageSize, PageSize);
    const std::string where = field == SearchField::Title  ? "a title"
                              : field == SearchField::Tags ? "tags"
                                                           : "a title or tags";
    const std::string quoted = "&ldquo;" + html::escape(words) + "&rdquo;";
    if (found.total == 0) {
        body += "<p>No story has " + where + " containing " + quoted + ".</p>\n";
    } else {
        body += "<p>" + storyCount(found.total) + " with " + where + " containing " + quoted + ".</p>\n";
        body += found.stories.empty() ? "<p>There are no more results after this page.</p>\n"
                                      : storyTable(context, found.stories);
    }
    body += pageLinks("/search?q=" + percentEncoded(words) + "&by=" + fieldParameter(field), *page, found.total);
    requestbody::replyPage(response, 200, html::page("Search: " + words, body));
}

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
