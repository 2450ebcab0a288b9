#include "storypages.h"

#include "html.h"
#include "requestbody.h"
#include "storystore.h"
#include "textrules.h"

#include <algorithm>
#include <limits>

namespace storypages {

namespace {

std::string mediaAddress(std::int64_t id, const std::string& name)
{
    return "/media/" + std::to_string(id) + "/" + html::escape(name);
}

std::string categoryText(const ServiceContext& context, std::int64_t category)
{
    // A known category links to its page of the site's browsing.
    const std::string names = context.categories.pathText(category);
    if (names.empty())
        return std::to_string(category);
    return "<a href=\"/browse?category=" + std::to_string(category) + "\">" + html::escape(names) + "</a>";
}

std::string storyFacts(const ServiceContext& context, const StoryRecord& story)
{
    std::string out = "<dl class=\"facts\">\n<dt>By</dt><dd>" + html::escape(story.owner) + "</dd>\n";
    out += "<dt>Type</dt><dd>" + html::storyTypeName(story.type) + "</dd>\n";
    if (story.type != 2)
        out += "<dt>Slides</dt><dd>" + std::to_string(story.slideCount) + "</dd>\n";
    out += "<dt>Length</dt><dd>" + html::duration(story.totalSeconds) + "</dd>\n";
    out += "<dt>Tags</dt><dd>" + html::escape(story.tags) + "</dd>\n";
    out += "<dt>Category</dt><dd class=\"category\">" + categoryText(context, story.category) + "</dd>\n";
    out += "<dt>Language</dt><dd>" + html::escape(story.language) + "</dd>\n";
    out += "<dt>Published</dt><dd>" + html::date(story.published) + "</dd>\n</dl>\n";
    return out;
}

// Without script every slide is in the page with a plain audio control, and the thumbnails
// jump to the slides. The script turns that into one slide at a time behind one set of
// controls: it hides the audio elements, follows "#slideN" (thumbnails, back/forward, a
// loaded address), loads the next narration ahead and moves on the moment one ends. A slide
// without a narration, or one that cannot be played, shows for 3 s. A podcast is a show of
// one item whose arrow keys move 10 s instead.
constexpr std::string_view PlayerScript = R"js(<script>
(function () {
  'use strict';
  var show = document.getElementById('show');
  var controls = document.getElementById('controls');
  if (!show || !controls) { return; }
  var podcast = show.getAttribute('data-kind') === 'podcast';
  var slides = Array.prototype.slice.call(show.querySelectorAll('figure.slide'));
  if (slides.length === 0) { return; }
  var playButton = document.getElementById('play');
  var prevButton = document.getElementById('prev');
  var nextButton = document.getElementById('next');
  var fullButton = document.getElementById('fullscreen');
  var counter = document.getElementById('counter');
  var bar = document.getElementById('position');
  var time = document.getElementById('time');
  var stage = document.getElementById('stage');
  var thumbs = Array.prototype.slice.call(document.querySelectorAll('.thumbs a'));
  var SilentMillis = 3000;
  var SeekSeconds = 10;
  var current = -1;
  var playing = false;
  var ended = false;
  var timer = 0;
  var silentStart = 0;
  var silentSpent = 0;
  var frame = 0;

  function audioOf(n) { return n >= 0 && n < slides.length ? slides[n].querySelector('audio') : null; }
  function silent(n) { var a = audioOf(n); return !a || a.error !== null; }
  function clock(seconds) {
    var s = Math.max(0, Math.floor(seconds || 0));
    var rest = s % 60;
    return Math.floor(s / 60) + (rest < 10 ? ':0' : ':') + rest;
  }
  function silentElapsed() { return silentSpent + (timer ? performance.now() - silentStart : 0); }
  function lengthOf(n) {
    if (silent(n)) { return SilentMillis / 1000; }
    var a = audioOf(n);
    if (isFinite(a.duration) && a.duration > 0) { return a.duration; }
    return Number(slides[n].getAttribute('data-seconds')) || 0;
  }
  function positionOf(n) { return silent(n) ? silentElapsed() / 1000 : audioOf(n).currentTime; }

  function update() {
    var length = lengthOf(current);
    var at = Math.min(positionOf(current), length);
    bar.max = length > 0 ? length : 1;
    bar.value = ended ? bar.max : at;
    time.textContent = clock(ended ? length : at) + ' / ' + clock(length);
    playButton.textContent = playing ? 'Pause' : 'Play';
    show.setAttribute('data-state', playing ? 'playing' : (ended ? 'ended' : 'paused'));
  }
  function tick() {
    update();
    frame = playing ? window.requestAnimationFrame(tick) : 0;
  }
  function startTicking() { if (!frame) { frame = window.requestAnimationFrame(tick); } }

  // preload="none" keeps the page light without script; the shown and the next narration load now.
  function preload(n) {
    var a = audioOf(n);
    if (!a || a.preload === 'auto') { return; }
    a.preload = 'auto';
    if (a.readyState === 0) { a.load(); }
  }
  function stopSilence() {
    if (timer) { window.clearTimeout(timer); }
    timer = 0;
  }
  function startSilence() {
    stopSilence();
    silentStart = performance.now();
    timer = window.setTimeout(function () { timer = 0; silentSpent = SilentMillis; finished(); },
                              Math.max(0, SilentMillis - silentSpent));
  }
  function start() {
    playing = true;
    ended = false;
    if (silent(current)) {
      startSilence();
    } else {
      var a = audioOf(current);
      preload(current);
      var started = a.play();
      if (started && started.catch) {
        started.catch(function (e) {
          // The browser refused to play without a click: wait for one on Play.
          if (e && e.name === 'NotAllowedError' && audioOf(current) === a) { playing = false; update(); }
        });
      }
    }
    preload(current + 1);
    update();
    startTicking();
  }
  function halt() {
    playing = false;
    if (timer) { silentSpent = silentElapsed(); stopSilence(); }
    var a = audioOf(current);
    if (a) { a.pause(); }
    update();
  }
  function rewind(n) {
    var a = audioOf(n);
    if (a) {
      a.pause();
      if (a.readyState > 0) { a.currentTime = 0; }
    }
  }
  function finished() {
    stopSilence();
    if (current + 1 < slides.length) {
      go(current + 1, true, 'replace');
    } else {
      playing = false;
      ended = true;
      update();
    }
  }
  // Shows slide n; how is 'push' or 'replace' for the address, or null when it came from there.
  function go(n, play, how) {
    n = Math.max(0, Math.min(slides.length - 1, n));
    if (n !== current || ended) {
      stopSilence();
      silentSpent = 0;
      if (current >= 0) { rewind(current); }
      if (n !== current) { rewind(n); }
      slides.forEach(function (slide, k) { slide.hidden = k !== n; });
      thumbs.forEach(function (link, k) {
        if (k === n) { link.setAttribute('aria-current', 'true'); } else { link.removeAttribute('aria-current'); }
      });
      current = n;
      ended = false;
      if (counter) { counter.textContent = (n + 1) + ' / ' + slides.length; }
      if (prevButton) { prevButton.disabled = n === 0; }
      if (nextButton) { nextButton.disabled = n + 1 === slides.length; }
      var hash = '#slide' + (n + 1);
      if (!podcast && how && window.location.hash !== hash) {
        if (how === 'push') { window.history.pushState(null, '', hash); } else { window.history.replaceState(null, '', hash); }
      }
      if (play) { start(); } else { playing = false; }
    } else if (play && !playing) {
      start();
    }
    preload(n);
    preload(n + 1);
    update();
  }
  function toggle() {
    if (playing) { halt(); } else if (ended) { go(0, true, 'push'); } else { start(); }
  }
  function seekBy(seconds) {
    var a = audioOf(current);
    if (silent(current) || !isFinite(a.duration)) { return; }
    a.currentTime = Math.max(0, Math.min(a.duration, a.currentTime + seconds));
    ended = false;
    update();
  }
  function slideOfAddress() {
    var match = /^#slide([0-9]{1,3})$/.exec(window.location.hash);
    var n = match ? Number(match[1]) - 1 : -1;
    return n >= 0 && n < slides.length ? n : -1;
  }
  function followAddress() {
    var n = slideOfAddress();
    if (n >= 0 && n !== current) { go(n, playing, null); }
  }

  slides.forEach(function (slide, k) {
    var a = audioOf(k);
    if (!a) { return; }
    a.addEventListener('ended', function () { if (k === current && playing) { finished(); } });
    a.addEventListener('error', function () {
      if (k !== current) { return; }
      if (playing) { startSilence(); }
      update();
    });
    // Pauses and plays from outside the page (media keys, the system's player) keep the buttons true.
    a.addEventListener('pause', function () { if (k === current && playing && !a.ended) { playing = false; update(); } });
    a.addEventListener('play', function () { if (k === current && !playing) { playing = true; ended = false; startTicking(); } });
    a.addEventListener('loadedmetadata', function () { if (k === current) { update(); } });
  });
  playButton.addEventListener('click', toggle);
  if (prevButton) { prevButton.addEventListener('click', function () { go(current - 1, playing, 'push'); }); }
  if (nextButton) { nextButton.addEventListener('click', function () { go(current + 1, playing, 'push'); }); }
  bar.addEventListener('click', function (e) {
    var box = bar.getBoundingClientRect();
    var a = audioOf(current);
    if (!box.width || silent(current) || !isFinite(a.duration)) { return; }
    a.currentTime = Math.max(0, Math.min(1, (e.clientX - box.left) / box.width)) * a.duration;
    ended = false;
    update();
  });
  thumbs.forEach(function (link, k) {
    link.addEventListener('click', function (e) {
      if (e.button !== 0 || e.ctrlKey || e.metaKey || e.shiftKey || e.altKey) { return; }
      e.preventDefault();
      go(k, playing, 'push');
    });
  });
  window.addEventListener('hashchange', followAddress);
  window.addEventListener('popstate', followAddress);
  document.addEventListener('keydown', function (e) {
    if (e.defaultPrevented || e.altKey || e.ctrlKey || e.metaKey) { return; }
    var target = e.target;
    var tag = target && target.tagName;
    if (tag === 'INPUT' || tag === 'TEXTAREA' || tag === 'SELECT' || (target && target.isContentEditable)) { return; }
    if (e.key === 'ArrowLeft' || e.key === 'ArrowRight') {
      var step = e.key === 'ArrowLeft' ? -1 : 1;
      if (podcast) { seekBy(step * SeekSeconds); } else { go(current + step, playing, 'push'); }
    } else if (e.key === ' ' || e.key === 'Spacebar') {
      // A focused button answers space itself.
      if (tag === 'BUTTON') { return; }
      toggle();
    } else if ((e.key === 'f' || e.key === 'F') && fullButton && !fullButton.hidden) {
      fullButton.click();
    } else if (e.key === 'Escape' && document.fullscreenElement) {
      // Browsers leave full screen on Esc themselves; this covers those that pass the key on.
      var left = document.exitFullscreen();
      if (left && left.catch) { left.catch(function () {}); }
    } else {
      return;
    }
    e.preventDefault();
  });
  if (fullButton) {
    if (!stage || !stage.requestFullscreen || !document.fullscreenEnabled) {
      fullButton.hidden = true;
    } else {
      fullButton.addEventListener('click', function () {
        var asked = document.fullscreenElement ? document.exitFullscreen() : stage.requestFullscreen();
        if (asked && asked.catch) { asked.catch(function () {}); }
      });
      document.addEventListener('fullscreenchange', function () {
        fullButton.textContent = document.fullscreenElement ? 'Leave full screen' : 'Full screen';
      });
    }
  }

  // Everything is wired: the page's own controls take over from the browser's.
  slides.forEach(function (slide, k) {
    var a = audioOf(k);
    if (a) { a.controls = false; a.hidden = true; }
  });
  controls.hidden = false;
  go(Math.max(0, slideOfAddress()), false, null);
})();
</script>
)js";

// Play/Pause, where the narration stands and, for picture stories, the slide buttons, the
// counter and full screen. Hidden until the script shows it: without script it does nothing.
std::string controlSet(bool slides, int firstSeconds, std::size_t count)
{
    std::string out = "<div id=\"controls\" class=\"controls\" hidden>\n";
    if (slides)
        out += "<button id=\"prev\" type=\"button\">Previous</button>\n";
    out += "<button id=\"play\" type=\"button\">Play</button>\n";
    if (slides)
        out += "<button id=\"next\" type=\"button\">Next</button>\n";
    out += "<progress id=\"position\" max=\"1\" value=\"0\" aria-label=\"Position\"></progress>\n";
    out += "<span id=\"time\" class=\"time\">0:00 / " + html::duration(firstSeconds) + "</span>\n";
    if (slides) {
        out += "<span id=\"counter\" class=\"counter\">1 / " + std::to_string(count) + "</span>\n";
        out += "<button id=\"fullscreen\" type=\"button\">Full screen</button>\n";
    }
    return out + "</div>\n";
}

std::string pictureShow(const StoryRecord& story)
{
    std::string out = "<div id=\"stage\" class=\"stage\">\n<div id=\"show\" data-kind=\"pictures\">\n";
    for (std::size_t i = 0; i < story.slides.size(); ++i) {
        const SlideRecord& slide = story.slides[i];
        const std::string n = std::to_string(i + 1);
        out +=
            "<figure class=\"slide\" id=\"slide" + n + "\" data-seconds=\"" + std::to_string(slide.seconds) + "\">\n";
        out += "<img src=\"" + mediaAddress(story.id, slide.photo) + "\" alt=\"Slide " + n + "\">\n";
        out += "<figcaption>" + html::escape(slide.caption) + "</figcaption>\n";
        if (!slide.tags.empty())
            out += "<p>Tags: " + html::escape(slide.tags) + "</p>\n";
        if (!slide.audio.empty())
            out += "<audio controls preload=\"none\" src=\"" + mediaAddress(story.id, slide.audio) + "\"></audio>\n";
        out += "</figure>\n";
    }
    out += "</div>\n";
    out += controlSet(true, story.slides.empty() ? 0 : story.slides[0].seconds, story.slides.size());
    out += "</div>\n<ol class=\"thumbs\">\n";
    for (std::size_t i = 0; i < story.slides.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        out += "<li><a href=\"#slide" + n + "\"><img src=\"" + mediaAddress(story.id, story.slides[i].thumb) +
               "\" alt=\"Slide " + n + "\" width=\"75\" height=\"75\"></a></li>\n";
    }
    out += "</ol>\n";
    if (!story.slides.empty())
        out += PlayerScript;
    return out;
}

std::string podcastPlayer(const StoryRecord& story)
{
    std::string out;
    if (!story.slides.empty()) {
        const SlideRecord& recording = story.slides[0];
        out += "<div id=\"stage\" class=\"stage\">\n<div id=\"show\" data-kind=\"podcast\">\n";
        out += "<figure class=\"slide\" id=\"slide1\" data-seconds=\"" + std::to_string(recording.seconds) + "\">\n";
        out += "<audio controls preload=\"metadata\" src=\"" + mediaAddress(story.id, recording.audio) +
               "\"></audio>\n</figure>\n</div>\n";
        out += controlSet(false, recording.seconds, 1);
        out += "</div>\n";
        out += PlayerScript;
    }
    if (story.transcript)
        out += "<h2>Transcript</h2>\n<div class=\"transcript\">" + html::escape(*story.transcript) + "</div>\n";
    return out;
}

// "Previous" and "Next" around "Page P of N"; nothing while every story fits on one page.
std::string indexPageLinks(std::int64_t page, std::int64_t pages)
{
    if (pages <= 1)
        return {};
    auto link = [](std::int64_t target, const char* rel, const char* label) {
        return std::string("<a rel=\"") + rel + "\" href=\"/?p=" + std::to_string(target) + "\">" + label + "</a>";
    };
    std::string out = "<p class=\"pages\">";
    if (page > 1)
        out += link(page - 1, "prev", "Previous") + " ";
    out += "Page " + std::to_string(page) + " of " + std::to_string(pages);
    if (page < pages)
        out += " " + link(page + 1, "next", "Next");
    return out + "</p>\n";
}

} // namespace

void index(const ServiceContext& context, const httplib::Request& request, httplib::Response& response)
{
    // "page" already names the site's other pages ("/?page=detail"), so the index counts in "p".
    constexpr std::int64_t MostPages = 1000000;
    // Digits beyond any page ask for the last one; anything else for the first.
    const std::string asked = request.get_param_value("p");
    std::int64_t wanted = 1;
    if (const auto number = textrules::parseDecimal(asked, 1, MostPages))
        wanted = *number;
    else if (asked.find_first_not_of("0123456789") == std::string::npos &&
             asked.find_first_not_of('0') != std::string::npos)
        wanted = MostPages;
    const auto connection = context.database.connect();
    StoryStore store(*connection, context.media);
    StoryPage found = store.list((wanted - 1) * IndexPageSize, IndexPageSize);
    const std::int64_t pages = std::max<std::int64_t>(1, (found.total + IndexPageSize - 1) / IndexPageSize);
    const std::int64_t page = std::min(wanted, pages);
    if (page != wanted)
        found = store.list((page - 1) * IndexPageSize, IndexPageSize);
    const std::vector<StoryRecord>& stories = found.stories;
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
    body += indexPageLinks(page, pages);
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
    body += storyFacts(context, *story);
    body += story->type == 2 ? podcastPlayer(*story) : pictureShow(*story);
    body += "</article>\n";
    requestbody::replyPage(response, 200, html::page(story->title, body));
}

std::string_view playerScript()
{
    constexpr std::string_view Open = "<script>";
    constexpr std::string_view Close = "</script>\n";
    static_assert(PlayerScript.starts_with(Open) && PlayerScript.ends_with(Close));
    return PlayerScript.substr(Open.size(), PlayerScript.size() - Open.size() - Close.size());
}

void notFound(httplib::Response& response)
{
    requestbody::replyPage(response, 404,
                           html::page("Not found", "<h1>Not found</h1>\n<p>There is no such page or story here.</p>\n"
                                                   "<p><a href=\"/\">See the published stories</a></p>\n"));
}

} // namespace storypages
