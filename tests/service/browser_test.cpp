// The story page in a real browser: headless Chromium through chromedriver, against the
// built service with stories of real pictures and MP3 narrations.
#include "browsersession.h"
#include "servicefixture.h"

#include <QBuffer>
#include <QColor>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QProcess>
#include <QThread>

#include <functional>
#include <vector>

namespace {

// Collects what a visitor's browser would report as broken: script errors, failed loads,
// promises nobody caught and console.error calls. Runs before the page's own script.
const QString ErrorCollector = R"js(
window.__pageErrors = [];
window.addEventListener('error', function (e) {
  var source = e.target && e.target !== window ? (e.target.currentSrc || e.target.src || e.target.tagName) : '';
  window.__pageErrors.push(source ? 'cannot load ' + source : String(e.message));
}, true);
window.addEventListener('unhandledrejection', function (e) { window.__pageErrors.push('uncaught: ' + String(e.reason)); });
document.addEventListener('securitypolicyviolation', function (e) {
  window.__pageErrors.push('blocked by the page policy: ' + e.violatedDirective + ' ' + (e.blockedURI || 'inline'));
}, true);
(function () {
  var original = console.error;
  console.error = function () {
    window.__pageErrors.push('console: ' + Array.prototype.join.call(arguments, ' '));
    return original.apply(console, arguments);
  };
})();
)js";

// What the visitor sees: the numbers of the slides on screen, the address, the buttons'
// texts and whether the shown slide's narration is sounding or has just come to its end
// (the page moves on when the browser tells it so, a moment later).
const QString ShownState = R"js(
var figures = Array.prototype.slice.call(document.querySelectorAll('#show figure.slide'));
var shown = [];
figures.forEach(function (f, k) { if (f.getClientRects().length > 0) { shown.push(k + 1); } });
var audio = shown.length === 1 ? figures[shown[0] - 1].querySelector('audio') : null;
var text = function (id) { var e = document.getElementById(id); return e ? e.textContent : ''; };
return { shown: shown, hash: location.hash, state: document.getElementById('show').getAttribute('data-state') || '',
         button: text('play'), counter: text('counter'), time: text('time'),
         sounding: !!audio && !audio.paused && !audio.ended, atEnd: !!audio && audio.ended };
)js";

// Notes for every narration that ends how far the next one had loaded by then.
const QString EndRecorder = R"js(
window.__ends = [];
document.addEventListener('ended', function (e) {
  var figures = Array.prototype.slice.call(document.querySelectorAll('#show figure.slide'));
  var k = figures.indexOf(e.target.closest('figure'));
  var next = k + 1 < figures.length ? figures[k + 1].querySelector('audio') : null;
  window.__ends.push({ slide: k + 1, nextReady: next ? next.readyState : -1 });
}, true);
)js";

struct Shown
{
    std::vector<int> slides;
    QString hash;
    QString state;
    QString button;
    QString counter;
    QString time;
    bool sounding = false;
    bool atEnd = false;

    //! The one slide on screen; 0 when none or several are.
    int slide() const { return slides.size() == 1 ? slides[0] : 0; }
};

std::ostream& operator<<(std::ostream& out, const Shown& s)
{
    out << "slides [";
    for (const int n : s.slides)
        out << " " << n;
    return out << " ] hash " << s.hash.toStdString() << " state " << s.state.toStdString() << " button "
               << s.button.toStdString() << " counter " << s.counter.toStdString() << (s.sounding ? " sounding" : "");
}

// A real JPEG of one colour.
std::string jpeg(const QColor& colour, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, "JPEG", 85));
    return bytes.toStdString();
}

struct StoryPageBrowserTest : ServiceFixture
{
    TempFolder work;
    std::unique_ptr<BrowserSession> browser;

    void SetUp() override
    {
        if (BrowserSession::chromium().isEmpty() || BrowserSession::chromedriver().isEmpty())
            GTEST_SKIP() << "the story page tests need chromium and chromedriver on PATH "
                            "(Debian packages chromium and chromium-driver)";
        ServiceFixture::SetUp();
        ASSERT_EQ(signUp("ann", "pw"), 200);
        browser = std::make_unique<BrowserSession>();
        ASSERT_TRUE(browser->started()) << browser->problem().toStdString();
        ASSERT_TRUE(browser->addStartScript(ErrorCollector)) << browser->problem().toStdString();
    }

    void TearDown() override
    {
        // Ends Chromium and chromedriver even when the test failed half-way.
        browser.reset();
    }

    // A real MP3 of one second of a tone, made by the ffmpeg tool once for all the tests.
    std::string narration()
    {
        static std::string made;
        if (!made.empty())
            return made;
        const QString file = work.file("tone.mp3");
        QProcess ffmpeg;
        ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
        ffmpeg.start("ffmpeg", {"-hide_banner", "-loglevel", "error", "-nostdin", "-y", "-f", "lavfi", "-i",
                                "sine=frequency=440:duration=1:sample_rate=44100", "-ac", "1", "-c:a", "libmp3lame",
                                "-b:a", "64k", file});
        const bool done = ffmpeg.waitForFinished(20000);
        EXPECT_TRUE(done && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0)
            << "ffmpeg could not make an MP3: " << ffmpeg.readAll().toStdString() << ffmpeg.errorString().toStdString();
        made = TempFolder::read(file).toStdString();
        return made;
    }

    // A story of count slides with ~1 s narrations; its id.
    long long publishStory(int count, const std::string& category)
    {
        static const QColor colours[] = {QColor(200, 60, 40), QColor(40, 140, 60), QColor(40, 80, 200)};
        StoryParts story = StoryParts::picture(count, "browser");
        story.title = "A day in France";
        story.category = category;
        for (int i = 0; i < count; ++i) {
            SlideParts& slide = story.slides[std::size_t(i)];
            slide.photo = jpeg(colours[i % 3], 320, 240);
            slide.thumb = jpeg(colours[i % 3], 75, 75);
            slide.audio = narration();
            slide.seconds = "1";
        }
        return storyId(publish("ann", "pw", story));
    }

    std::string pageAddress(long long id) const { return service->base() + "/?page=detail&cid=" + std::to_string(id); }

    Shown shown()
    {
        const QJsonObject o = browser->run(ShownState).toObject();
        Shown s;
        for (const QJsonValue n : o.value("shown").toArray())
            s.slides.push_back(n.toInt());
        s.hash = o.value("hash").toString();
        s.state = o.value("state").toString();
        s.button = o.value("button").toString();
        s.counter = o.value("counter").toString();
        s.time = o.value("time").toString();
        s.sounding = o.value("sounding").toBool();
        s.atEnd = o.value("atEnd").toBool();
        return s;
    }

    // Asks the page until the condition holds or the time is up; the last answer.
    Shown waitFor(const std::function<bool(const Shown&)>& condition, int milliseconds = 5000)
    {
        QElapsedTimer clock;
        clock.start();
        Shown s = shown();
        while (!condition(s) && clock.elapsed() < milliseconds) {
            QThread::msleep(25);
            s = shown();
        }
        return s;
    }

    Shown waitForSlide(int slide)
    {
        return waitFor([slide](const Shown& s) { return s.slide() == slide; });
    }

    bool clickOn(const QString& css)
    {
        const QString element = browser->element(css);
        EXPECT_FALSE(element.isEmpty()) << css.toStdString() << ": " << browser->problem().toStdString();
        return browser->click(element);
    }

    bool check(const QString& script) { return browser->run(script).toBool(); }

    // Asks the page until the script returns true or the time is up.
    bool eventually(const QString& script, int milliseconds = 5000)
    {
        QElapsedTimer clock;
        clock.start();
        while (!check(script)) {
            if (clock.elapsed() > milliseconds)
                return false;
            QThread::msleep(25);
        }
        return true;
    }

    // Nothing the browser reported broken on the page open now.
    void expectNoPageErrors()
    {
        const QJsonValue errors = browser->run("return window.__pageErrors || ['the error collector did not run'];");
        EXPECT_EQ(QJsonDocument(errors.toArray()).toJson(QJsonDocument::Compact).toStdString(), "[]");
        const auto log = browser->consoleLog();
        ASSERT_TRUE(log) << browser->problem().toStdString();
        for (const QJsonValue entry : *log)
            EXPECT_NE(entry.toObject().value("level").toString(), "SEVERE")
                << entry.toObject().value("message").toString().toStdString();
    }
};

TEST_F(StoryPageBrowserTest, PlaysThroughTheStoryAndFollowsThumbnailsKeysAndHistory)
{
    const long long id = publishStory(3, "1030200");
    ASSERT_GT(id, 0);
    ASSERT_TRUE(browser->open(pageAddress(id))) << browser->problem().toStdString();

    // One set of controls; the audio elements are neither shown nor carry their own bar.
    EXPECT_TRUE(check("return document.getElementById('controls').getClientRects().length > 0;"));
    EXPECT_TRUE(check("var a = document.querySelectorAll('audio'); return a.length === 3 && "
                      "Array.prototype.every.call(a, function (e) { return !e.controls && "
                      "e.getClientRects().length === 0; });"));
    EXPECT_EQ(browser->run("return document.querySelector('dd.category').textContent;").toString().toStdString(),
              "Travel > Europe > France");
    EXPECT_TRUE(check("return Array.prototype.every.call(document.querySelectorAll('#show img'), "
                      "function (i) { return i.complete && i.naturalWidth === 320; });"));
    Shown s = shown();
    EXPECT_EQ(s.slide(), 1) << s;
    EXPECT_EQ(s.counter, "1 / 3");
    EXPECT_EQ(s.button, "Play");
    EXPECT_EQ(s.state, "paused");

    // Play runs through all three slides to the end by itself.
    ASSERT_TRUE(browser->run(EndRecorder).isNull()) << browser->problem().toStdString();
    ASSERT_TRUE(clickOn("#play")) << browser->problem().toStdString();
    std::vector<int> order;
    int silentWhilePlaying = 0;
    QElapsedTimer clock;
    clock.start();
    do {
        s = shown();
        if (s.slide() != 0 && (order.empty() || order.back() != s.slide()))
            order.push_back(s.slide());
        if (s.state == "playing" && !s.sounding && !s.atEnd)
            ++silentWhilePlaying;
        QThread::msleep(20);
    } while (s.state != "ended" && clock.elapsed() < 15000);
    EXPECT_EQ(s.state, "ended") << s;
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(silentWhilePlaying, 0);
    EXPECT_EQ(s.slide(), 3) << s;
    EXPECT_EQ(s.counter, "3 / 3");
    EXPECT_EQ(s.button, "Play");
    EXPECT_EQ(s.time, "0:01 / 0:01");
    EXPECT_EQ(s.hash, "#slide3");
    // Each next narration had loaded before the one before it ended (HAVE_FUTURE_DATA or more).
    const QJsonArray ends = browser->run("return window.__ends;").toArray();
    ASSERT_EQ(ends.size(), 3) << QJsonDocument(ends).toJson().toStdString();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ends[i].toObject().value("slide").toInt(), i + 1);
        if (i < 2) {
            EXPECT_GE(ends[i].toObject().value("nextReady").toInt(), 3) << "slide " << i + 2;
        }
    }

    // A thumbnail shows its slide, paused after the end, playing while the show plays.
    ASSERT_TRUE(clickOn(".thumbs a[href='#slide2']"));
    s = waitForSlide(2);
    EXPECT_EQ(s.slide(), 2) << s;
    EXPECT_EQ(s.hash, "#slide2");
    EXPECT_EQ(s.counter, "2 / 3");
    EXPECT_EQ(s.state, "paused");
    EXPECT_TRUE(check("return document.querySelector(\".thumbs a[href='#slide2']\").getAttribute('aria-current') "
                      "=== 'true';"));
    ASSERT_TRUE(clickOn("#play"));
    EXPECT_TRUE(waitFor([](const Shown& s) { return s.sounding; }).sounding);
    ASSERT_TRUE(clickOn(".thumbs a[href='#slide1']"));
    s = waitForSlide(1);
    EXPECT_EQ(s.slide(), 1) << s;
    EXPECT_EQ(s.state, "playing");
    EXPECT_TRUE(s.sounding);

    // Space pauses, the arrows step through the slides and stop at the last.
    ASSERT_TRUE(browser->press(BrowserSession::Space));
    s = waitFor([](const Shown& s) { return s.state == "paused"; });
    EXPECT_EQ(s.state, "paused") << s;
    EXPECT_FALSE(s.sounding);
    EXPECT_EQ(s.button, "Play");
    ASSERT_TRUE(browser->press(BrowserSession::ArrowRight));
    EXPECT_EQ(waitForSlide(2).slide(), 2);
    ASSERT_TRUE(browser->press(BrowserSession::ArrowRight));
    EXPECT_EQ(waitForSlide(3).slide(), 3);
    ASSERT_TRUE(browser->press(BrowserSession::ArrowRight));
    s = shown();
    EXPECT_EQ(s.slide(), 3) << s;
    EXPECT_EQ(s.state, "paused");
    ASSERT_TRUE(browser->press(BrowserSession::ArrowLeft));
    s = waitForSlide(2);
    EXPECT_EQ(s.slide(), 2) << s;
    EXPECT_EQ(s.hash, "#slide2");
    ASSERT_TRUE(browser->press(BrowserSession::Space));
    s = waitFor([](const Shown& s) { return s.sounding; });
    EXPECT_EQ(s.state, "playing") << s;
    EXPECT_EQ(s.button, "Pause");
    ASSERT_TRUE(browser->press(BrowserSession::Space));
    EXPECT_EQ(waitFor([](const Shown& s) { return s.state == "paused"; }).state, "paused");

    // Back and forward walk the slides the visitor went to: 2, 1, 2, 3, 2.
    ASSERT_TRUE(browser->back());
    EXPECT_EQ(waitForSlide(3).slide(), 3);
    ASSERT_TRUE(browser->back());
    EXPECT_EQ(waitForSlide(2).slide(), 2);
    ASSERT_TRUE(browser->back());
    s = waitForSlide(1);
    EXPECT_EQ(s.slide(), 1) << s;
    EXPECT_EQ(s.hash, "#slide1");
    ASSERT_TRUE(browser->forward());
    s = waitForSlide(2);
    EXPECT_EQ(s.slide(), 2) << s;
    EXPECT_EQ(s.counter, "2 / 3");

    // Full screen takes the slide area; Esc leaves it.
    ASSERT_TRUE(clickOn("#fullscreen"));
    EXPECT_TRUE(eventually("return !!document.fullscreenElement && document.fullscreenElement.id === 'stage';"));
    EXPECT_EQ(browser->run("return document.getElementById('fullscreen').textContent;").toString(),
              "Leave full screen");
    EXPECT_EQ(shown().slide(), 2);
    ASSERT_TRUE(browser->press(BrowserSession::Escape));
    EXPECT_TRUE(eventually("return !document.fullscreenElement;"));
    EXPECT_EQ(browser->run("return document.getElementById('fullscreen').textContent;").toString(), "Full screen");
    expectNoPageErrors();

    // An address with a slide opens on that slide.
    ASSERT_TRUE(browser->open(service->base() + "/"));
    ASSERT_TRUE(browser->open(pageAddress(id) + "#slide3"));
    s = shown();
    EXPECT_EQ(s.slide(), 3) << s;
    EXPECT_EQ(s.counter, "3 / 3");
    EXPECT_EQ(s.state, "paused");
    expectNoPageErrors();
}

TEST_F(StoryPageBrowserTest, PodcastPlaysBehindTheSameControls)
{
    StoryParts podcast = StoryParts::podcast(std::string("Hello listeners."), "browser");
    podcast.podcastAudio = narration();
    podcast.podcastSeconds = "1";
    const long long id = storyId(publish("ann", "pw", podcast));
    ASSERT_GT(id, 0);
    ASSERT_TRUE(browser->open(pageAddress(id))) << browser->problem().toStdString();

    EXPECT_TRUE(check("var a = document.querySelectorAll('audio'); return a.length === 1 && !a[0].controls && "
                      "a[0].getClientRects().length === 0;"));
    EXPECT_TRUE(check("return document.getElementById('controls').getClientRects().length > 0 && "
                      "!!document.getElementById('position') && !document.getElementById('next');"));
    EXPECT_TRUE(check("return document.querySelector('.transcript').textContent === 'Hello listeners.';"));
    ASSERT_TRUE(clickOn("#play"));
    EXPECT_TRUE(waitFor([](const Shown& s) { return s.sounding; }).sounding);
    const Shown s = waitFor([](const Shown& s) { return s.state == "ended"; }, 10000);
    EXPECT_EQ(s.state, "ended") << s;
    EXPECT_EQ(s.button, "Play");
    EXPECT_EQ(s.time, "0:01 / 0:01");
    EXPECT_EQ(s.hash, "");
    expectNoPageErrors();
}

TEST_F(StoryPageBrowserTest, ASlideWhoseNarrationCannotPlayStillMovesOn)
{
    const long long id = publishStory(2, "999");
    ASSERT_GT(id, 0);
    // The first narration's file goes missing from the service's folder.
    const QString file = data.file(QString("media/%1/r1-0.mp3").arg(id));
    ASSERT_TRUE(QFile::remove(file)) << file.toStdString();
    ASSERT_TRUE(browser->open(pageAddress(id))) << browser->problem().toStdString();
    EXPECT_EQ(browser->run("return document.querySelector('dd.category').textContent;").toString(), "999");

    // Once the browser has found the narration missing, the slide counts as one of 3 s.
    EXPECT_TRUE(eventually("return document.querySelector('#slide1 audio').error !== null;"));
    EXPECT_EQ(shown().time, "0:00 / 0:03");
    ASSERT_TRUE(clickOn("#play"));
    // Shown for its 3 s, then the second slide plays to the end.
    Shown s = shown();
    EXPECT_EQ(s.slide(), 1) << s;
    EXPECT_EQ(s.state, "playing");
    EXPECT_TRUE(s.time.endsWith(" / 0:03")) << s.time.toStdString();
    s = waitFor([](const Shown& s) { return s.slide() == 2; }, 10000);
    EXPECT_EQ(s.slide(), 2) << s;
    s = waitFor([](const Shown& s) { return s.state == "ended"; }, 10000);
    EXPECT_EQ(s.state, "ended") << s;
    EXPECT_EQ(s.slide(), 2);
    // The one error is the missing file.
    const QJsonArray errors = browser->run("return window.__pageErrors;").toArray();
    ASSERT_EQ(errors.size(), 1) << QJsonDocument(errors).toJson().toStdString();
    EXPECT_TRUE(errors[0].toString().endsWith("/r1-0.mp3")) << errors[0].toString().toStdString();
}

} // namespace
