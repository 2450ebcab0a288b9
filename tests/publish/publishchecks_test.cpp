#include "publish/publishchecks.h"
#include "shell/useraccount.h"
#include "story/story.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

namespace {

struct ChecksFixture : ::testing::Test
{
    TempFolder home;
    Story story{home.path()};
    UserAccount account;

    Slide* addSlide(int seconds, SlideKind kind = SlideKind::Segment)
    {
        auto s = std::make_unique<Slide>(story);
        s->setKind(kind);
        s->setNarrationLength(seconds);
        Slide* raw = s.get();
        story.add(std::move(s));
        return raw;
    }

    void fillEverything()
    {
        story.setTitle("t");
        story.setDescription("d");
        story.setCategoryId(1000000);
        story.setTags("x");
        account.setUserName("u");
        account.setPassword("0123456789abcdef0123456789abcdef");
    }
};

TEST_F(ChecksFixture, ANewStoryListsEveryProblemInOrder)
{
    const CheckReport r = runPublishChecks(story, account);
    EXPECT_EQ(r.text, " - At least 1 slide needed\r\n"
                      " - Pictorelle TITLE required\r\n"
                      " - Pictorelle DESCRIPTION required\r\n"
                      " - Pictorelle CATEGORY required\r\n"
                      " - Pictorelle TAG required\r\n"
                      " - USERNAME required, see Settings -> Program Settings -> User Settings\r\n"
                      " - PASSWORD required, see Settings -> Program Settings -> User Settings\r\n");
    EXPECT_TRUE(r.infoProblem);
}

TEST_F(ChecksFixture, MissingAudioNamesTheSlideByNumber)
{
    fillEverything();
    addSlide(5);
    addSlide(0);
    addSlide(7);
    const CheckReport r = runPublishChecks(story, account);
    EXPECT_EQ(r.text, " - Slide 2:  missing audio recording\r\n");
    EXPECT_FALSE(r.infoProblem);
}

TEST_F(ChecksFixture, PodcastLengthLines)
{
    fillEverything();
    story.setType(2);
    Slide* s = addSlide(900);
    EXPECT_TRUE(runPublishChecks(story, account).isClean()); // exactly 15:00 passes

    const std::pair<int, const char*> cases[] = {
        {950, " - Podcast too long, duration 15:50\r\n     50 seconds over 15 minute max\r\n"},
        {1000, " - Podcast too long, duration 16:40\r\n     1 minutes 40 seconds over 15 minute max\r\n"},
        {960, " - Podcast too long, duration 16:00\r\n     1 minutes 0 seconds over 15 minute max\r\n"},
        {909, " - Podcast too long, duration 15:09\r\n     9 seconds over 15 minute max\r\n"},
    };
    for (const auto& [seconds, line] : cases) {
        s->setNarrationLength(seconds);
        EXPECT_EQ(runPublishChecks(story, account).text, line) << seconds;
    }
}

TEST_F(ChecksFixture, OlderStoryTypesAndHugeTranscriptsAreRefused)
{
    fillEverything();
    addSlide(3);
    story.setType(3);
    EXPECT_TRUE(runPublishChecks(story, account).text.contains("cannot be published"));
    story.setType(2);
    story.setTranscript(QString(150000, QChar(0x00E9)));     // two UTF-8 bytes each: 300,000 bytes
    EXPECT_TRUE(runPublishChecks(story, account).isClean()); // not published: no limit
    story.setTranscriptPublish(true);
    EXPECT_TRUE(runPublishChecks(story, account).text.contains("Transcript too long"));
    story.setTranscript(QString(149999, QChar(0x00E9)) + "a");
    EXPECT_TRUE(runPublishChecks(story, account).isClean());
}

TEST(ChecksText, NoErrors)
{
    EXPECT_EQ(noErrorsText(), " - No errors found\r\n");
}

} // namespace
