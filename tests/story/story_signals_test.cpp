#include "commandfixture.h"
#include "eventually.h"
#include "story/editstorytextcommand.h"

#include <QThread>

#include <thread>

namespace {

using StorySignals = CommandFixture;

TEST_F(StorySignals, GIVEN_ASlideOutsideTheStory_WHEN_ItChanges_THEN_NothingIsTold)
{
    auto slide = newSegment();
    Slide* raw = slide.get();
    slide->setCaption("before it joins");
    slide->setHasNarration(true);
    EXPECT_TRUE(log.take().isEmpty());

    ASSERT_TRUE(story.add(std::move(slide)));
    EXPECT_EQ(log.take(), (QStringList{"slideAdded(0)", "currentChanged(0)"}));

    std::unique_ptr<Slide> taken = story.takeSlide(0);
    ASSERT_EQ(taken.get(), raw);
    EXPECT_EQ(log.take(), (QStringList{"slideRemoved(0)", "currentChanged(-1)"}));
    taken->setCaption("after it left");
    taken->setRotation(3);
    taken->setRecording(true);
    EXPECT_TRUE(log.take().isEmpty());
}

TEST_F(StorySignals, GIVEN_ASlideInTheStory_WHEN_ItsFieldsAreSet_THEN_EachRealChangeIsToldOnce)
{
    Slide& s = addPicture("a.jpg");
    log.take();

    s.setCaption("Sea");
    s.setCaption("Sea");
    EXPECT_EQ(log.take(), QStringList{"slideChanged(0)"});
    // Cut to 59 characters: the second text stores the same value.
    s.setCaption(QString(70, 'x'));
    s.setCaption(QString(80, 'x'));
    EXPECT_EQ(log.take(), QStringList{"slideChanged(0)"});

    s.setTags("sun");
    s.setCueText("say hello");
    s.setRotation(1);
    s.setKind(SlideKind::Legacy);
    s.replacePicture(marked(10, 10));
    s.setThumbnail(marked(75, 75).mirrored());
    s.setSlideJpegPath("elsewhere.jpg");
    EXPECT_EQ(log.take(), QStringList(7, "slideChanged(0)"));

    s.setHasNarration(true);
    s.setNarrationLength(12);
    s.setNarrationLength(12);
    s.setRecording(true);
    s.setRecording(true);
    EXPECT_EQ(log.take(), QStringList(3, "narrationChanged(0)"));

    // Worker state tells nothing.
    s.setReady(false);
    s.setJpegSize(99);
    s.setMp3Busy(true);
    s.setMp3Encoded(true);
    s.setPictureLoaded(true);
    EXPECT_TRUE(log.take().isEmpty());
}

TEST_F(StorySignals, GIVEN_TheStory_WHEN_ItsInfoIsSet_THEN_EachRealChangeIsToldOnce)
{
    story.setTitle("Holiday");
    story.setTitle("Holiday");
    story.setDescription("two\nlines");
    story.setDescription("two\r\nlines"); // the same once normalised
    story.setTags("sea sun");
    story.setCategoryName("Travel");
    story.setCategoryId(2030400);
    story.setOwner("ann");
    story.setTranscript("words");
    story.setTranscriptPublish(true);
    story.setType(int(StoryType::Podcast));
    story.setUniqueId(77);
    story.setUniqueId(77);
    EXPECT_EQ(log.take(), QStringList(10, "storyInfoChanged"));

    story.setCategory("Food", 1010000);
    EXPECT_EQ(log.take(), QStringList{"storyInfoChanged"});
    story.setCategory("Food", 1010000);
    story.setStoryFilePath("elsewhere.sld");
    EXPECT_TRUE(log.take().isEmpty());
}

TEST_F(StorySignals, GIVEN_ThreeSlides_WHEN_TheListChanges_THEN_StructureAndCurrentSlideAreTold)
{
    addPicture("a.jpg");
    addPicture("b.jpg");
    addPicture("c.jpg");
    log.take();

    ASSERT_TRUE(story.add(newPicture("d.jpg"), 0));
    // The current index stays 0, but another slide stands there now.
    EXPECT_EQ(log.take(), (QStringList{"slideAdded(0)", "currentChanged(0)"}));
    importer.finishAll();
    EXPECT_EQ(log.take(), (QStringList{"slideChanged(0)", "slideReady(0)", "importsFinished"}));

    story.move(2, 3);
    EXPECT_EQ(log.take(), QStringList{"slideMoved(2,3)"});
    story.move(1, 1);
    story.move(0, 9);
    EXPECT_TRUE(log.take().isEmpty());

    EXPECT_TRUE(story.select(3));
    EXPECT_TRUE(story.select(3));
    EXPECT_EQ(log.take(), QStringList{"currentChanged(3)"});
    EXPECT_TRUE(story.remove(3));
    EXPECT_EQ(log.take(), (QStringList{"slideRemoved(3)", "currentChanged(2)"}));
    // The same slide stays current, one place further left.
    EXPECT_TRUE(story.remove(0));
    EXPECT_EQ(log.take(), (QStringList{"slideRemoved(0)", "currentChanged(1)"}));
    EXPECT_FALSE(story.remove(7));
    story.setCurrentIndex(1);
    EXPECT_TRUE(log.take().isEmpty());
    story.setCurrentIndex(0);
    EXPECT_EQ(log.take(), QStringList{"currentChanged(0)"});

    story.changePicture(1, home.write("pictures/e.jpg", "e"));
    EXPECT_EQ(log.take(), QStringList{"slideChanged(1)"});
}

TEST_F(StorySignals, GIVEN_ANarration_WHEN_ItIsClearedOutsideTheStack_THEN_OneNarrationChangeIsTold)
{
    Slide& s = addPicture("a.jpg");
    giveTake(s, 12, "RIFF");
    log.take();
    s.clearNarration();
    EXPECT_EQ(log.take(), QStringList{"narrationChanged(0)"});
}

TEST_F(StorySignals, GIVEN_ABatch_WHEN_SeveralFieldsChange_THEN_EachIsToldOnceInSlideOrderWhenItEnds)
{
    Slide& a = addPicture("a.jpg");
    Slide& b = addPicture("b.jpg");
    log.take();
    {
        const Story::ChangeBatch batch(story);
        b.setCaption("two");
        b.setTags("x");
        a.setCueText("one");
        b.setNarrationLength(3);
        story.setTitle("t");
        story.setTags("u");
        EXPECT_TRUE(story.select(1));
        {
            const Story::ChangeBatch inner(story);
            a.setCaption("inner");
        }
        EXPECT_TRUE(log.take().isEmpty());
    }
    EXPECT_EQ(log.take(), (QStringList{"slideChanged(0)", "slideChanged(1)", "narrationChanged(1)", "storyInfoChanged",
                                       "currentChanged(1)"}));
}

TEST_F(StorySignals, GIVEN_AModifiedStory_WHEN_ItIsReset_THEN_OnlyTheResetAndTheFlagAreTold)
{
    addPicture("a.jpg");
    story.setTitle("t");
    story.setModified(true);
    log.take();
    story.reset();
    EXPECT_EQ(log.take(), (QStringList{"storyReset", "modifiedChanged(false)"}));
    story.reset();
    EXPECT_EQ(log.take(), QStringList{"storyReset"});
}

TEST_F(StorySignals, GIVEN_ASavedStory_WHEN_ItIsLoaded_THEN_StoryResetIsToldOnce)
{
    story.setTitle("Holiday");
    addPicture("a.jpg");
    addPicture("b.jpg");
    const QString saved = saveStory(story, clock).storyFile;
    ASSERT_FALSE(saved.isEmpty());

    Story loaded(home.path() + "other/", &importer);
    SignalLog loadLog(loaded);
    const LoadReport report = loadStory(saved, loaded);
    EXPECT_EQ(report.slidesAdded, 2);
    EXPECT_EQ(loadLog.take(), QStringList{"storyReset"});
    EXPECT_EQ(loaded.title(), "Holiday");
}

TEST_F(StorySignals, GIVEN_AWorkerThread_WHEN_ItSetsASlideFlag_THEN_TheChangeIsToldOnTheStorysThread)
{
    Slide& s = addPicture("a.jpg");
    log.take();
    QThread* toldOn = nullptr;
    QObject context;
    QObject::connect(&story, &Story::narrationChanged, &context, [&] { toldOn = QThread::currentThread(); });

    std::thread worker([&] { s.setRecording(true); });
    worker.join();
    EXPECT_TRUE(log.take().isEmpty()); // not told from the worker
    EXPECT_EVENTUALLY(toldOn != nullptr);
    EXPECT_EQ(toldOn, story.thread());
    EXPECT_EQ(log.take(), QStringList{"narrationChanged(0)"});
}

TEST_F(StorySignals, GIVEN_TheUndoStack_WHEN_EditsAreSavedUndoneAndRedone_THEN_TheModifiedFlagFollowsTheCleanState)
{
    EXPECT_FALSE(story.isModified());
    story.push(new EditStoryTextCommand(story, EditField::Title, "one"));
    EXPECT_TRUE(story.isModified());
    EXPECT_EQ(log.take(), (QStringList{"storyInfoChanged", "modifiedChanged(true)"}));

    story.setModified(false); // saved
    EXPECT_FALSE(story.isModified());
    EXPECT_TRUE(stack().isClean());
    EXPECT_EQ(log.take(), QStringList{"modifiedChanged(false)"});

    ASSERT_TRUE(story.undo());
    EXPECT_TRUE(story.isModified());
    EXPECT_EQ(log.take(), (QStringList{"storyInfoChanged", "modifiedChanged(true)"}));
    ASSERT_TRUE(story.redo());
    EXPECT_FALSE(story.isModified());
    EXPECT_EQ(log.take(), (QStringList{"storyInfoChanged", "modifiedChanged(false)"}));

    // A change outside the stack stays until the next save, whatever the stack does.
    story.setModified(true);
    EXPECT_EQ(log.take(), QStringList{"modifiedChanged(true)"});
    ASSERT_TRUE(story.undo());
    ASSERT_TRUE(story.redo());
    EXPECT_TRUE(story.isModified());
    EXPECT_EQ(log.take(), (QStringList{"storyInfoChanged", "storyInfoChanged"}));

    story.reset();
    EXPECT_FALSE(story.isModified());
    EXPECT_EQ(stack().count(), 0);
}

TEST_F(StorySignals, GIVEN_TakenSlides_WHEN_TheyArePutBack_THEN_TheSameSlidesReturnWithoutImportOrRenaming)
{
    Slide& a = addPicture("a.jpg");
    addPicture("b.jpg");
    const QString jpeg = a.slideJpegPath();
    const int id = a.id();
    const size_t imports = importer.started.size();
    std::unique_ptr<Slide> taken = story.takeSlide(0);
    ASSERT_TRUE(taken);
    log.take();

    ASSERT_TRUE(story.insertSlide(taken, 1));
    EXPECT_EQ(taken, nullptr);
    EXPECT_EQ(log.take(), (QStringList{"slideAdded(1)"}));
    EXPECT_EQ(story.slideAt(1), &a);
    EXPECT_EQ(a.id(), id);
    EXPECT_EQ(a.slideJpegPath(), jpeg);
    EXPECT_EQ(importer.started.size(), imports);

    // A duplicate, another story's slide and a 51st are refused and stay with the caller.
    std::unique_ptr<Slide> again = newPicture("a.jpg");
    again->setChosenPicturePath(a.chosenPicturePath());
    EXPECT_FALSE(story.insertSlide(again, 0));
    EXPECT_NE(again, nullptr);
    Story other(home.path() + "other/", &importer);
    auto foreign = std::make_unique<Slide>(other);
    foreign->setKind(SlideKind::Segment);
    EXPECT_FALSE(story.insertSlide(foreign, 0));
    EXPECT_NE(foreign, nullptr);
    while (story.count() < Story::MaxSlides)
        ASSERT_TRUE(story.add(newSegment()));
    auto extra = newSegment();
    EXPECT_FALSE(story.insertSlide(extra, 0));
    EXPECT_NE(extra, nullptr);

    // A busy slide is not taken.
    story.slideAt(0)->setRecording(true);
    EXPECT_EQ(story.takeSlide(0), nullptr);
    EXPECT_EQ(story.count(), Story::MaxSlides);
}

} // namespace
