#include "desktop/dialogs/previewdialog.h"
#include "desktop/dialogs/previewplayback.h"
#include "desktop/widgets/skinnedbutton.h"
#include "desktop/widgets/skinresources.h"
#include "eventually.h"
#include "recorderfakes.h"
#include "story/slide.h"
#include "story/story.h"
#include "tempfolder.h"

#include <QApplication>
#include <QCursor>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

constexpr qint64 Tick = PreviewPlayback::TickMilliseconds;

struct PreviewFixture : ::testing::Test
{
    TempFolder home;
    Story story{home.path()};
    FakeSoundPlayer player;
    FakeClock clock;

    // Picture slides with these narration lengths, captions "caption N", no pictures.
    void addPictureSlides(const std::vector<int>& lengths)
    {
        for (int length : lengths) {
            auto slide = std::make_unique<Slide>(story);
            slide->setNarrationLength(length);
            slide->setHasNarration(length > 0);
            slide->setCaption(QStringLiteral("caption %1").arg(story.count() + 1));
            ASSERT_TRUE(story.add(std::move(slide)));
        }
    }

    void makePodcast(const std::vector<int>& lengths)
    {
        for (int length : lengths) {
            auto segment = std::make_unique<Slide>(story);
            segment->setKind(SlideKind::Segment);
            segment->setNarrationLength(length);
            segment->setHasNarration(true);
            ASSERT_TRUE(story.add(std::move(segment)));
        }
        story.setType(int(StoryType::Podcast));
    }

    QString played(int index) const { return QStringLiteral("file:") + story.slideAt(index)->narrationWavPath(); }
};

using PlaybackTest = PreviewFixture;

// Runs timer ticks until the show stops or moves off the slide it started on; returns the
// milliseconds from start to that tick, -1 when nothing happened within limitMs.
qint64 ticksUntilChange(PreviewPlayback& playback, FakeClock& clock, qint64 limitMs)
{
    const qint64 begin = playback.slideStart();
    const int index = playback.currentIndex();
    while (clock.now - begin <= limitMs) {
        clock.advance(Tick);
        playback.tick();
        if (!playback.isPlaying() || playback.currentIndex() != index)
            return clock.now - begin;
    }
    return -1;
}

TEST_F(PlaybackTest, OneSlideOfFourSecondsEndsBetweenSevenAndSevenAndAHalfSecondsWhereverItStartsInATick)
{
    addPictureSlides({4});
    // GIVEN the slide (re)started at various points between two ticks of the 500 ms timer
    for (qint64 phase : {0, 1, 250, 499, 501, 999}) {
        PreviewPlayback playback(story, player, clock);
        clock.now = 1'000'000;
        ASSERT_TRUE(playback.start());
        clock.advance(phase);
        playback.play();
        const qint64 started = clock.now;
        // WHEN the timer keeps its own rhythm
        clock.now = 1'000'000;
        bool ended = false;
        while (!ended && clock.now < started + 10'000) {
            clock.advance(Tick);
            playback.tick();
            ended = !playback.isPlaying();
        }
        // THEN the show ends on the only slide after 7 s and no later than 7.5 s
        ASSERT_TRUE(ended) << "phase " << phase;
        EXPECT_GE(clock.now - started, 7000) << "phase " << phase;
        EXPECT_LE(clock.now - started, 7500) << "phase " << phase;
        EXPECT_EQ(playback.currentIndex(), 0);
    }
}

TEST_F(PlaybackTest, EndOfTheShowLatchesStopFromTheFollowingTickAndLeavesTheSoundAlone)
{
    addPictureSlides({4});
    PreviewPlayback playback(story, player, clock);
    ASSERT_TRUE(playback.start());
    EXPECT_FALSE(playback.isPlayLatched());
    EXPECT_FALSE(playback.isStopLatched());

    // GIVEN the first tick latched Play
    clock.advance(Tick);
    EXPECT_TRUE(playback.tick().latchesChanged);
    EXPECT_TRUE(playback.isPlayLatched());
    EXPECT_FALSE(playback.isStopLatched());
    clock.advance(Tick);
    EXPECT_FALSE(playback.tick().latchesChanged);

    // WHEN the tick at 7 s ends the show
    clock.now = playback.slideStart() + 6500;
    playback.tick();
    ASSERT_TRUE(playback.isPlaying());
    clock.advance(Tick);
    const PreviewTickOutcome last = playback.tick();
    ASSERT_FALSE(playback.isPlaying());
    // THEN that tick still shows Play latched, the next one Stop
    EXPECT_FALSE(last.latchesChanged);
    EXPECT_FALSE(last.slideChanged);
    EXPECT_TRUE(playback.isPlayLatched());
    EXPECT_FALSE(playback.isStopLatched());
    clock.advance(Tick);
    EXPECT_TRUE(playback.tick().latchesChanged);
    EXPECT_TRUE(playback.isStopLatched());
    EXPECT_FALSE(playback.isPlayLatched());
    // The narration ended by itself: nothing is purged or replayed.
    EXPECT_EQ(player.calls, QStringList{played(0)});
}

TEST_F(PlaybackTest, PictureSlidesAdvanceThreeSecondsAfterTheirNarrationAndSilentOnesAfterThree)
{
    addPictureSlides({5, 0, 2});
    PreviewPlayback playback(story, player, clock);
    ASSERT_TRUE(playback.start());
    EXPECT_EQ(playback.pause(), 2);

    EXPECT_EQ(ticksUntilChange(playback, clock, 20'000), 8000);
    EXPECT_EQ(playback.currentIndex(), 1);
    EXPECT_EQ(ticksUntilChange(playback, clock, 20'000), 3000);
    EXPECT_EQ(playback.currentIndex(), 2);
    EXPECT_EQ(ticksUntilChange(playback, clock, 20'000), 5000);
    EXPECT_EQ(playback.currentIndex(), 2);
    EXPECT_FALSE(playback.isPlaying());
    // Each advance cuts the old narration off and starts the next.
    EXPECT_EQ(player.calls, (QStringList{played(0), "purge", played(1), "purge", played(2)}));
}

TEST_F(PlaybackTest, PodcastOfThreeSegmentsAdvancesOneSecondAfterEachSegment)
{
    makePodcast({2, 5, 3});
    PreviewPlayback playback(story, player, clock);
    ASSERT_TRUE(playback.start());
    EXPECT_EQ(playback.pause(), 0);

    EXPECT_EQ(ticksUntilChange(playback, clock, 20'000), 3000);
    EXPECT_EQ(playback.slideLabel(), "Slide 2 of 3");
    EXPECT_EQ(ticksUntilChange(playback, clock, 20'000), 6000);
    EXPECT_EQ(playback.slideLabel(), "Slide 3 of 3");
    EXPECT_EQ(ticksUntilChange(playback, clock, 20'000), 4000);
    EXPECT_FALSE(playback.isPlaying());
    EXPECT_EQ(playback.currentIndex(), 2);
    EXPECT_EQ(player.calls, (QStringList{played(0), "purge", played(1), "purge", played(2)}));
}

TEST_F(PlaybackTest, StopSilencesAtOnceAndPlayRestartsTheSameSlideWithItsFullTime)
{
    addPictureSlides({4, 4});
    PreviewPlayback playback(story, player, clock);
    ASSERT_TRUE(playback.start());
    clock.advance(2000);
    playback.tick();

    // WHEN Stop is pressed mid-narration
    playback.stop();
    // THEN the sound is purged at once and time no longer moves the show
    EXPECT_EQ(player.calls, (QStringList{played(0), "purge"}));
    EXPECT_FALSE(playback.isPlaying());
    for (int i = 0; i < 40; ++i) {
        clock.advance(Tick);
        playback.tick();
    }
    EXPECT_EQ(playback.currentIndex(), 0);
    EXPECT_EQ(player.calls.size(), 2);

    // WHEN Play is pressed
    player.calls.clear();
    playback.play();
    // THEN slide 1's narration starts from its beginning and the slide gets its full 7 s
    EXPECT_EQ(player.calls, QStringList{played(0)});
    EXPECT_TRUE(playback.isPlaying());
    EXPECT_EQ(playback.slideStart(), clock.now);
    EXPECT_EQ(ticksUntilChange(playback, clock, 20'000), 7000);
    EXPECT_EQ(playback.currentIndex(), 1);
}

TEST_F(PlaybackTest, PreviousOnTheFirstAndNextOnTheLastSlideAreIgnored)
{
    addPictureSlides({4, 4, 4});
    PreviewPlayback playback(story, player, clock);
    ASSERT_TRUE(playback.start());
    playback.stop();
    const qint64 start = playback.slideStart();
    clock.advance(1500);

    EXPECT_FALSE(playback.previous());
    EXPECT_EQ(playback.currentIndex(), 0);
    // Ignored means ignored: a stopped show stays stopped and keeps its start time.
    EXPECT_FALSE(playback.isPlaying());
    EXPECT_EQ(playback.slideStart(), start);
    EXPECT_EQ(player.calls, (QStringList{played(0), "purge"}));

    EXPECT_TRUE(playback.next());
    EXPECT_TRUE(playback.next());
    player.calls.clear();
    playback.stop();
    player.calls.clear();
    EXPECT_FALSE(playback.next());
    EXPECT_EQ(playback.currentIndex(), 2);
    EXPECT_FALSE(playback.isPlaying());
    EXPECT_TRUE(player.calls.isEmpty());

    // Previous from the last slide works and plays the slide before it.
    EXPECT_TRUE(playback.previous());
    EXPECT_EQ(playback.currentIndex(), 1);
    EXPECT_TRUE(playback.isPlaying());
    EXPECT_EQ(player.calls, (QStringList{"purge", played(1)}));
}

TEST_F(PlaybackTest, RewindGoesBackToTheFirstSlideAndPlaysItFromTheStart)
{
    addPictureSlides({4, 4, 4});
    PreviewPlayback playback(story, player, clock);
    ASSERT_TRUE(playback.start());
    playback.next();
    playback.next();
    playback.stop();
    player.calls.clear();
    clock.advance(3000);

    playback.rewind();
    EXPECT_EQ(playback.currentIndex(), 0);
    EXPECT_TRUE(playback.isPlaying());
    EXPECT_EQ(playback.slideStart(), clock.now);
    EXPECT_EQ(player.calls, QStringList{played(0)});
}

TEST_F(PlaybackTest, AnEmptyStoryDoesNotStartAndAMissingNarrationStillTimesBeforeMovingOn)
{
    PreviewPlayback empty(story, player, clock);
    EXPECT_FALSE(empty.start());
    EXPECT_TRUE(player.calls.isEmpty());

    // A slide said to have 3 s of narration whose file is gone is still timed by that length.
    addPictureSlides({3, 1});
    PreviewPlayback playback(story, player, clock);
    ASSERT_TRUE(playback.start());
    EXPECT_EQ(ticksUntilChange(playback, clock, 20'000), 6000);
    EXPECT_EQ(playback.currentIndex(), 1);
}

TEST(PreviewLayout, TextsStartAtThePicturesLeftEdgeOnlyWhenLabelAndCaptionAreNarrowerThanIt)
{
    // "Slide 1 of 5" (12 characters) is estimated at 104 px, a 10-character caption at 88 px.
    const PreviewTextLayout fits = previewTextLayout(QRect(21, 137, 640, 480), 12, 10);
    EXPECT_EQ(fits.label, QPoint(21, 622));
    EXPECT_EQ(fits.labelWidth, 104);
    EXPECT_EQ(fits.caption, QPoint(125, 622));

    // Exactly as wide as the picture is not narrower.
    EXPECT_EQ(previewTextLayout(QRect(100, 50, 192, 40), 12, 10).label, QPoint(20, 95));
    EXPECT_EQ(previewTextLayout(QRect(100, 50, 193, 40), 12, 10).label, QPoint(100, 95));

    // A long caption under a 400-px picture, or a narrow picture, moves both texts to x = 20.
    const PreviewTextLayout longCaption = previewTextLayout(QRect(141, 200, 400, 300), 12, 40);
    EXPECT_EQ(longCaption.label, QPoint(20, 505));
    EXPECT_EQ(longCaption.caption, QPoint(124, 505));
    EXPECT_EQ(previewTextLayout(QRect(300, 200, 90, 300), 12, 0).label, QPoint(20, 505));

    // No picture: the texts stand at the top-left.
    EXPECT_EQ(previewTextLayout(QRect(0, 0, 0, 0), 12, 5).label, QPoint(20, 5));
}

TEST(PreviewLayout, FullScreenPicturesFillTheRoomBetweenButtonsAndTextsWithTheirAspectKept)
{
    // Room: 1920 × (1080 − 41 − 72) = 1920 × 967, from y = 41.
    // Wide: the height limits; 640 × 967 / 480 = 1289.33.
    EXPECT_EQ(previewFullScreenPictureRect(QSize(1920, 1080), QSize(640, 480)), QRect(316, 41, 1289, 967));
    // Wider still: the width limits; 480 × 1920 / 1280 = 720, centred in the room.
    EXPECT_EQ(previewFullScreenPictureRect(QSize(1920, 1080), QSize(1280, 480)), QRect(0, 164, 1920, 720));
    // Larger than the screen: scaled down.
    EXPECT_EQ(previewFullScreenPictureRect(QSize(800, 600), QSize(3000, 3000)), QRect(157, 41, 487, 487));
    // Nothing to draw, or no room.
    EXPECT_TRUE(previewFullScreenPictureRect(QSize(800, 600), QSize()).isEmpty());
    EXPECT_TRUE(previewFullScreenPictureRect(QSize(800, 100), QSize(640, 480)).isEmpty());
}

TEST(PreviewLayout, PicturesAreCentredUnscaledAndThePlayerSitsBelowTheMainWindowsTop)
{
    EXPECT_EQ(previewPictureRect(QSize(683, 754), QSize(640, 480)), QRect(21, 137, 640, 480));
    EXPECT_EQ(previewPictureRect(QSize(683, 754), QSize(75, 75)), QRect(304, 340, 75, 75));
    EXPECT_EQ(previewPictureRect(QSize(683, 754), QSize(481, 641)), QRect(101, 57, 481, 641));

    EXPECT_EQ(previewPosition(QRect(100, 50, 1000, 700)), QPoint(259, 71));
    EXPECT_EQ(previewPosition(QRect(-40, 0, 683, 500)), QPoint(-40, 21));
}

// ---- the dialog ----

struct PreviewDialogFixture : PreviewFixture
{
    SkinResources skin;
    std::unique_ptr<PreviewDialog> dialog;

    void open()
    {
        // A window shown under the pointer gives its buttons hover faces.
        QCursor::setPos(QPoint(5000, 5000));
        dialog = std::make_unique<PreviewDialog>(story, player, clock, skin);
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    }

    QImage shown() const { return dialog->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    void click(int commandId)
    {
        SkinnedButton* button = dialog->button(commandId);
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(15, 10));
    }
};

// What a pixmap looks like drawn over the player's black background.
QImage overBlack(const QPixmap& pixmap)
{
    QImage image(pixmap.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.drawPixmap(0, 0, pixmap);
    return image;
}

// Any pixel brighter than the background inside area.
bool hasBrightPixel(const QImage& image, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) > 128)
                return true;
    return false;
}

TEST_F(PreviewDialogFixture, OpensAsTheFixedSizePlayerWithFiveSkinnedButtonsInARow)
{
    addPictureSlides({4});
    open();
    EXPECT_EQ(dialog->objectName(), "PREVIEW_BOX");
    EXPECT_TRUE(dialog->windowTitle().isEmpty());
    EXPECT_EQ(dialog->size(), QSize(683, 754));
    auto* close = dialog->findChild<QPushButton*>();
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), "Close");

    struct Expected
    {
        int command;
        QString tip;
    };
    const std::vector<Expected> row{
        {501, "Rewind"}, {500, "Play"}, {502, "Previous Slide"}, {503, "Next Slide"}, {504, "Stop"}};
    const int c = 683 / 2 - 87;
    for (size_t i = 0; i < row.size(); ++i) {
        SkinnedButton* button = dialog->button(row[i].command);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->geometry(), QRect(c + 35 * int(i), 10, 31, 21)) << row[i].tip.toStdString();
        EXPECT_EQ(button->toolTip(), row[i].tip);
        EXPECT_FALSE(button->faces(SkinnedButton::FaceSet::First).normal.isNull());
    }
    // Opening starts the first slide's narration and the show.
    EXPECT_EQ(player.calls, QStringList{played(0)});
    EXPECT_TRUE(dialog->playback().isPlaying());
}

TEST_F(PreviewDialogFixture, ItsOwnTimerLatchesPlayWhileTheShowRuns)
{
    addPictureSlides({4});
    open();
    EXPECT_EVENTUALLY(dialog->button(PreviewDialog::PlayCommand)->isLatched());
    EXPECT_FALSE(dialog->button(PreviewDialog::StopCommand)->isLatched());
}

TEST_F(PreviewDialogFixture, NextSlideOnSlideTwoOfFiveShowsSlideThreeAndCutsOverToItsNarration)
{
    addPictureSlides({4, 4, 4, 4, 4});
    open();
    click(PreviewDialog::NextCommand);
    ASSERT_EQ(dialog->playback().currentIndex(), 1);
    player.calls.clear();

    click(PreviewDialog::NextCommand);
    EXPECT_EQ(dialog->playback().slideLabel(), "Slide 3 of 5");
    EXPECT_EQ(player.calls, (QStringList{"purge", played(2)}));
}

TEST_F(PreviewDialogFixture, StopAndPlayButtonsSwapTheirLatchesOnTheNextTick)
{
    addPictureSlides({4, 4});
    open();
    dialog->timerTick();
    click(PreviewDialog::StopCommand);
    EXPECT_EQ(player.calls.last(), "purge");
    dialog->timerTick();
    EXPECT_TRUE(dialog->button(PreviewDialog::StopCommand)->isLatched());
    EXPECT_FALSE(dialog->button(PreviewDialog::PlayCommand)->isLatched());
    EXPECT_EQ(dialog->button(PreviewDialog::StopCommand)->currentFace().toImage(),
              dialog->button(PreviewDialog::StopCommand)->faces(SkinnedButton::FaceSet::First).pressed.toImage());

    click(PreviewDialog::PlayCommand);
    EXPECT_EQ(player.calls.last(), played(0));
    dialog->timerTick();
    EXPECT_TRUE(dialog->button(PreviewDialog::PlayCommand)->isLatched());
    EXPECT_FALSE(dialog->button(PreviewDialog::StopCommand)->isLatched());
}

TEST_F(PreviewDialogFixture, TheTimerSlotAdvancesTheShowByTheClock)
{
    addPictureSlides({1, 1});
    open();
    clock.advance(3500);
    dialog->timerTick();
    EXPECT_EQ(dialog->playback().currentIndex(), 0);
    clock.advance(Tick);
    dialog->timerTick();
    EXPECT_EQ(dialog->playback().currentIndex(), 1);
    EXPECT_EQ(player.calls, (QStringList{played(0), "purge", played(1)}));
}

TEST_F(PreviewDialogFixture, PaintsBlackWithTheLogoTopLeftAndThePictureCentredWithTextsBeneath)
{
    addPictureSlides({4});
    QImage picture(200, 100, QImage::Format_RGB32);
    picture.fill(QColor(200, 30, 40));
    picture.setPixel(0, 0, qRgb(10, 220, 30));
    picture.setPixel(199, 99, qRgb(30, 40, 230));
    story.slideAt(0)->replacePicture(picture);
    story.slideAt(0)->setCaption("Harbour");
    open();

    const QImage image = shown();
    const QRect expected(683 / 2 - 100, 754 / 2 - 50, 200, 100);
    EXPECT_EQ(dialog->shownPictureRect(), expected);
    EXPECT_EQ(image.pixel(expected.topLeft()), qRgb(10, 220, 30));
    EXPECT_EQ(image.pixel(expected.bottomRight()), qRgb(30, 40, 230));
    EXPECT_EQ(image.pixel(expected.center()), qRgb(200, 30, 40));
    EXPECT_EQ(image.pixel(expected.left() - 1, expected.top()), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(expected.right() + 1, expected.bottom()), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(600, 60), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(5, 700), qRgb(0, 0, 0));

    const QPixmap logo = skin.logo();
    ASSERT_FALSE(logo.isNull());
    EXPECT_EQ(image.copy(QRect(QPoint(0, 0), logo.size())), overBlack(logo));

    // "Slide 1 of 1" (104 px) and "Harbour" (64 px) fit under the 200-px picture.
    const PreviewTextLayout texts = dialog->textLayout();
    EXPECT_EQ(texts.label, QPoint(expected.left(), expected.bottom() + 6));
    EXPECT_TRUE(hasBrightPixel(image, QRect(texts.label, QSize(texts.labelWidth, 14))));
    EXPECT_TRUE(hasBrightPixel(image, QRect(texts.caption, QSize(7 * 8, 14))));
    EXPECT_FALSE(hasBrightPixel(image, QRect(QPoint(0, texts.label.y()), QSize(expected.left(), 20))));
}

TEST_F(PreviewDialogFixture, APodcastShowsThePodcastPictureInTheMiddle)
{
    makePodcast({3, 3});
    open();
    const QImage image = shown();
    const QPixmap podcast = skin.podcastPicture();
    ASSERT_EQ(podcast.size(), QSize(75, 75));
    EXPECT_EQ(image.copy(QRect(683 / 2 - 37, 754 / 2 - 37, 75, 75)), overBlack(podcast));

    click(PreviewDialog::NextCommand);
    EXPECT_EQ(shown().copy(QRect(683 / 2 - 37, 754 / 2 - 37, 75, 75)), overBlack(podcast));
}

TEST_F(PreviewDialogFixture, AnEmptyStoryClosesAtOnceWithoutPlaying)
{
    PreviewDialog empty(story, player, clock, skin);
    // Only if the player failed to close itself would this close it for the test.
    bool closedForTheTest = false;
    QTimer::singleShot(5000, &empty, [&] {
        closedForTheTest = true;
        empty.reject();
    });
    EXPECT_EQ(empty.exec(), 1);
    EXPECT_FALSE(closedForTheTest);
    EXPECT_TRUE(player.calls.filter("file:").isEmpty());
}

TEST_F(PreviewDialogFixture, CloseAndEscapeSilenceTheNarrationAndEndWithOne)
{
    addPictureSlides({30});
    open();
    dialog->findChild<QPushButton*>()->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 1);
    EXPECT_EQ(player.calls, (QStringList{played(0), "purge"}));

    open();
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 1);
    EXPECT_EQ(player.calls.last(), "purge");
}

TEST_F(PreviewDialogFixture, OpensTwentyOnePixelsBelowTheMainWindowsTopCentredOnIt)
{
    addPictureSlides({4});
    QWidget owner;
    owner.setGeometry(40, 0, 700, 500);
    PreviewDialog placed(story, player, clock, skin, &owner);
    // 40 + 700 / 2 − 341: the player's middle over the window's middle.
    EXPECT_EQ(placed.pos().x(), 49);
    // 21 px below the window's top when the screen is tall enough, else kept on the screen.
    const QRect area = owner.screen()->availableGeometry();
    EXPECT_EQ(placed.pos().y(), area.height() >= 754 + 21 ? 21 : area.top());
    EXPECT_GE(placed.pos().y(), area.top());
}

// ---- the keyboard ----

using PreviewKeysTest = PreviewDialogFixture;

// A key to whatever has the keyboard in the player.
void press(Qt::Key key)
{
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, key);
}

TEST_F(PreviewKeysTest, SpaceStopsAndPlaysLeftAndRightChangeSlidesHomeRewindsWhereverTheKeyboardIs)
{
    addPictureSlides({4, 4, 4});
    open();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    // On a skinned button, on the Close button and on the player itself alike.
    for (QWidget* focus :
         {static_cast<QWidget*>(dialog->button(PreviewDialog::RewindCommand)),
          static_cast<QWidget*>(dialog->findChild<QPushButton*>("closeButton")), static_cast<QWidget*>(dialog.get())}) {
        SCOPED_TRACE(focus->metaObject()->className());
        focus->setFocus(Qt::OtherFocusReason);
        dialog->command(PreviewDialog::RewindCommand);
        player.calls.clear();

        press(Qt::Key_Space);
        EXPECT_FALSE(dialog->playback().isPlaying());
        EXPECT_EQ(player.calls, QStringList{"purge"});
        press(Qt::Key_Space);
        EXPECT_TRUE(dialog->playback().isPlaying());
        EXPECT_EQ(player.calls.last(), played(0));

        press(Qt::Key_Right);
        press(Qt::Key_Right);
        EXPECT_EQ(dialog->playback().slideLabel(), "Slide 3 of 3");
        EXPECT_EQ(player.calls.last(), played(2));
        press(Qt::Key_Right);
        EXPECT_EQ(dialog->playback().currentIndex(), 2) << "the last slide stays";
        press(Qt::Key_Left);
        EXPECT_EQ(dialog->playback().currentIndex(), 1);
        EXPECT_EQ(player.calls.last(), played(1));
        press(Qt::Key_Home);
        EXPECT_EQ(dialog->playback().currentIndex(), 0);
        EXPECT_EQ(player.calls.last(), played(0));
        EXPECT_TRUE(dialog->isVisible());
    }
}

TEST_F(PreviewKeysTest, F11FillsTheScreenWithTheScaledPictureAndEscapeLeavesFullScreenBeforeClosing)
{
    addPictureSlides({30});
    QImage picture(320, 240, QImage::Format_RGB32);
    picture.fill(QColor(200, 30, 40));
    story.slideAt(0)->replacePicture(picture);
    open();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    const QPoint normalPlace = dialog->pos();
    QPushButton* fullScreen = dialog->fullScreenButton();
    EXPECT_EQ(fullScreen->accessibleName(), "Full Screen");
    EXPECT_FALSE(fullScreen->isChecked());

    // GIVEN F11
    press(Qt::Key_F11);
    const QSize screen = dialog->screen()->geometry().size();
    EXPECT_TRUE(dialog->isFullScreen());
    QTRY_COMPARE(dialog->size(), screen);
    EXPECT_TRUE(fullScreen->isChecked());

    // THEN the picture fills the room, aspect kept, and the buttons stay centred above it
    const QRect shownRect = dialog->shownPictureRect();
    EXPECT_EQ(shownRect, previewFullScreenPictureRect(screen, QSize(320, 240)));
    EXPECT_GT(shownRect.width(), 320);
    EXPECT_NEAR(double(shownRect.width()) / shownRect.height(), 320.0 / 240.0, 0.01);
    const QImage image = shown();
    EXPECT_EQ(image.pixel(shownRect.center()), qRgb(200, 30, 40));
    EXPECT_EQ(image.pixel(shownRect.topLeft() + QPoint(1, 1)), qRgb(200, 30, 40));
    EXPECT_EQ(image.pixel(shownRect.bottomRight() - QPoint(1, 1)), qRgb(200, 30, 40));
    EXPECT_EQ(dialog->textLayout().label.y(), shownRect.bottom() + 6);
    EXPECT_EQ(dialog->button(PreviewDialog::RewindCommand)->pos(), QPoint(screen.width() / 2 - 87, 10));
    EXPECT_TRUE(dialog->playback().isPlaying());

    // WHEN Escape THEN the player is back at its own size and place, still playing
    press(Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isFullScreen());
    QTRY_COMPARE(dialog->size(), PreviewDialog::PlayerSize);
    EXPECT_EQ(dialog->pos(), normalPlace);
    EXPECT_FALSE(fullScreen->isChecked());
    EXPECT_EQ(dialog->shownPictureRect(), previewPictureRect(PreviewDialog::PlayerSize, QSize(320, 240)));
    EXPECT_EQ(dialog->button(PreviewDialog::RewindCommand)->pos(), QPoint(683 / 2 - 87, 10));
    EXPECT_TRUE(dialog->playback().isPlaying());

    // The button does the same as F11; the next Escape closes.
    QTest::mouseClick(fullScreen, Qt::LeftButton);
    EXPECT_TRUE(dialog->isFullScreen());
    QTest::mouseClick(fullScreen, Qt::LeftButton);
    EXPECT_FALSE(dialog->isFullScreen());
    press(Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 1);
    EXPECT_EQ(player.calls.last(), "purge");
}

TEST_F(PreviewKeysTest, ClosingFromFullScreenEndsThePlayerWithOne)
{
    addPictureSlides({30});
    open();
    press(Qt::Key_F11);
    ASSERT_TRUE(dialog->isFullScreen());
    dialog->findChild<QPushButton*>("closeButton")->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 1);
    EXPECT_EQ(player.calls.last(), "purge");
}

} // namespace
