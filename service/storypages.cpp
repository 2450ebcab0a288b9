#include "storypages.h"

#include "html.h"
#include "requestbody.h"
#include "storystore.h"
#include "textrules.h"

#include <limits>

namespace storypages {

namespace {

std::string mediaAddress(std::int64_t id, const std::string& name)
{
    return "/media/" + std::to_string(id) + "/" + html::escape(name);
}

std::string storyFacts(const StoryRecord& story)
{
    std::string out = "<dl>\n<dt>By</dt><dd>" + html::escape(story.owner) + "</dd>\n";
    out += "<dt>Type</dt><dd>" + html::storyTypeName(story.type) + "</dd>\n";
    if (story.type != 2)
        out += "<dt>Slides</dt><dd>" + std::to_string(story.slideCount) + "</dd>\n";
    out += "<dt>Length</dt><dd>" + html::duration(story.totalSeconds) + "</dd>\n";
    out += "<dt>Tags</dt><dd>" + html::escape(story.tags) + "</dd>\n";
    out += "<dt>Category</dt><dd>" + std::to_string(story.category) + "</dd>\n";
    out += "<dt>Language</dt><dd>" + html::escape(story.language) + "</dd>\n";
    out += "<dt>Published</dt><dd>" + html::date(story.published) + "</dd>\n</dl>\n";
    return out;
}

// Every slide is in the page, so it reads without script; the script shows one at a time and
// moves on when a narration ends.
constexpr const char* SlideShowScript = R"js(<script>
(function () {
  var slides = Array.prototype.slice.call(document.querySelectorAll('#show figure'));
  var counter = document.getElementById('counter');
  var current = 0;
  function audioOf(n) { return slides[n].querySelector('audio'); }
  function show(n, play) {
    slides.forEach(function (slide, k) {
      slide.hidden = k !== n;
      if (k !== n) { var a = audioOf(k); a.pause(); a.currentTime = 0; }
    });
    current = n;
    counter.textContent = (n + 1) + ' / ' + slides.length;
    if (play) { audioOf(n).play(); }
  }
  slides.forEach(function (slide, k) {
    audioOf(k).addEventListener('ended', function () { if (k + 1 < slides.length) { show(k + 1, true); } });
  });
  document.getElementById('prev').addEventListener('click', function () { if (current > 0) { show(current - 1, true); } });
  document.getElementById('next').addEventListener('click', function () { if (current + 1 < slides.length) { show(current + 1, true); } });
  document.getElementById('play').addEventListener('click', function () { show(current, true); });
  document.getElementById('controls').hidden = false;
  show(0, false);
})();
</script>
)js";

std::string pictureShow(const StoryRecord& story)
{
    std::string out = "<div id=\"show\">\n";
    for (std::size_t i = 0; i < story.slides.size(); ++i) {
        const SlideRecord& slide = story.slides[i];
        const std::string n = std::to_string(i + 1);
        out += "<figure class=\"slide\" id=\"slide" + n + "\">\n";
        out += "<img src=\"" + mediaAddress(story.id, slide.photo) + "\" alt=\"Slide " + n + "\">\n";
        out += "<figcaption>" + html::escape(slide.caption) + "</figcaption>\n";
        if (!slide.tags.empty())
            out += "<p>Tags: " + html::escape(slide.tags) + "</p>\n";
        out += "<audio controls preload=\"none\" src=\"" + mediaAddress(story.id, slide.audio) + "\"></audio>\n";
        out += "</figure>\n";
    }
    out += "</div>\n<p id=\"controls\" hidden><button id=\"prev\" type=\"button\">Previous</button> "
           "<button id=\"play\" type=\"button\">Play</button> <button id=\"next\" type=\"button\">Next</button> "
           "<span id=\"counter\"></span></p>\n<ol class=\"thumbs\">\n";
    for (std::size_t i = 0; i < story.slides.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        out += "<li><a href=\"#slide" + n + "\"><img src=\"" + mediaAddress(story.id, story.slides[i].thumb) +
               "\" alt=\"Slide " + n + "\" width=\"75\" height=\"75\"></a></li>\n";
    }
    return out + "</ol>\n" + SlideShowScript;
}

std::string podcastPlayer(const StoryRecord& story)
{
    std::string out;
    if (!story.slides.empty())
        out += "<p><audio controls preload=\"metadata\" src=\"" + mediaAddress(story.id, story.slides[0].audio) +
               "\"></audio></p>\n";
    if (story.transcript)
        out += "<h2>Transcript</h2>\n<div class=\"transcript\">" + html::escape(*story.transcript) + "</div>\n";
    return out;
}

} // namespace

void index(const ServiceContext& context, httplib::Response& response)
{
    const auto connection = context.database.connect();
    const std::vector<StoryRecord> stories = StoryStore(*connection, context.media).list();
    std::string body = "<h1>Published Pictorelles</h1>\n";
    if (stories.empty()) {
        body += "<p>No stories have been published yet.</p>\n";
    } else {
        body += "<table>\n<thead><tr><th>Title</th><th>Owner</th><th>Type</th><th>Slides</th><th>Length</th>"
                "<th>Published</th></tr></thead>\n<tbody>\n";
        for (const StoryRecord& s : stories) {
            body += "<tr><td><a href=\"/?page=detail&amp;cid=" + std::to_string(s.id) + "\">" + html::escape(s.title) +
                    "</a></td><td>" + html::escape(s.owner) + "</td><td>" + html::storyTypeName(s.type) + "</td><td>" +
                    std::to_string(s.slideCount) + "</td><td>" + html::duration(s.totalSeconds) + "</td><td>" +
                    html::date(s.published) + "</td></tr>\n";
        }
        body += "</tbody>\n</table>\n";
    }
    requestbody::replyPage(response, 200, html::page("Published Pictorelles", body));
}

void detail(const ServiceContext& context, const httplib::Request& request, httplib::Response& response)
{
    const auto id =
        textrules::parseDecimal(request.get_param_value("cid"), 1, std::numeric_limits<std::int64_t>::max());
    if (!id)
        return notFound(response);
    const auto connection = context.database.connect();
    const auto story = StoryStore(*connection, context.media).find(*id);
    if (!story)
        return notFound(response);
    std::string body = "<article>\n<h1>" + html::escape(story->title) + "</h1>\n";
    body += "<p class=\"text\">" + html::escape(story->description) + "</p>\n";
    body += storyFacts(*story);
    body += story->type == 2 ? podcastPlayer(*story) : pictureShow(*story);
    body += "</article>\n";
    requestbody::replyPage(response, 200, html::page(story->title, body));
}

void notFound(httplib::Response& response)
{
    requestbody::replyPage(response, 404,
                           html::page("Not found", "<h1>Not found</h1>\n<p>There is no such page or story here.</p>\n"
                                                   "<p><a href=\"/\">See the published stories</a></p>\n"));
}

} // namespace storypages
