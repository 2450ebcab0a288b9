#include "audio/loudness.h"
#include "audio/mp3codec.h"
#include "eventually.h"
#include "fixedclock.h"
#include "preparationsupport.h"
#include "publish/publicationrun.h"
#include "shell/useraccount.h"
#include "speechsignal.h"
#include "story/linereader.h"
#include "story/savetransaction.h"
#include "story/story.h"
#include "story/storyfile.h"
#include "story/storysave.h"
#include "tempfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>

#include <mutex>
#include <optional>

namespace {

//! Answers with scripted replies and records what was sent.
class FakeClient : public ServiceClient
{
public:
    Result post(const QByteArray& url, const Form& form, const Progress& progress) override
    {
        std::lock_guard lock(m_mutex);
        urls << url;
        forms << form;
        if (url.endsWith("?action=verify"))
            return verify;
        if (progress) {
            progress(500, 1000);
            if (!progress(1000, 1000))
                return {false, {}, QStringLiteral("aborted")};
        }
        return upload;
    }

    Result verify{true, "OKAY,ABCDEFGH,http://service.test/?action=upload", {}};
    Result upload{true, "OKAY=42", {}};
    QList<QByteArray> urls;
    QList<Form> forms;

private:
    std::mutex m_mutex;
};

struct RunFixture : ::testing::Test
{
    TempFolder home;
    Story story{home.path()};
    UserAccount account;
    FakeClient client;
    int saves = 0;                   //!< quiet saves taken from the story
    std::vector<SaveResult> written; //!< quiet saves handed back, in order

    //! A run whose quiet save is the real one, as the desktop's, without its messages.
    PublicationRun::Context context()
    {
        PublicationRun::QuietSave quietSave;
        quietSave.take = [this] {
            ++saves;
            return std::optional(takeStoryForSave(story, FixedClock().now()));
        };
        quietSave.finish = [this](const SaveResult& result) {
            written.push_back(result);
            applyStorySave(story, result);
            return result.ok;
        };
        return {story, account, client, nullptr, QStringLiteral("http://service.test"), quietSave};
    }

    void addSlides(std::initializer_list<int> seconds, Story* to = nullptr)
    {
        Story& target = to ? *to : story;
        for (int s : seconds) {
            auto slide = std::make_unique<Slide>(target);
            slide->setKind(SlideKind(3)); // no picture import, no encoding: the run's own steps only
            slide->setNarrationLength(s);
            target.add(std::move(slide));
        }
    }

    //! One round of the dialog's timers.
    static void tick(PublicationRun& run)
    {
        QCoreApplication::processEvents();
        run.preparationTick();
        run.verifyTick();
        run.progressTick();
        QThread::msleep(5);
    }

    //! Drives the run as the dialog's timers would, until it ends (at most 10 s).
    static void drive(PublicationRun& run)
    {
        QElapsedTimer t;
        t.start();
        while (!run.isFinished() && t.elapsed() < 10000)
            tick(run);
    }

    //! Drives the run until its quiet save is being written, or it ends (at most 10 s).
    static void driveToSaving(PublicationRun& run)
    {
        QElapsedTimer t;
        t.start();
        while (!run.isSaving() && !run.isFinished() && t.elapsed() < 10000)
            tick(run);
    }
};

TEST_F(RunFixture, APublishedStoryStoresItsIdAndIsSavedQuietly)
{
    addSlides({5, 7});
    PublicationRun run(context());
    EXPECT_EQ(run.statusWord(), "Compressing");
    EXPECT_EQ(run.statusSentence(), "Preparing the Pictorelle.");
    run.start();
    drive(run);
    ASSERT_EQ(run.phase(), PublicationRun::Phase::Published);
    EXPECT_EQ(run.statusWord(), "Success!");
    EXPECT_EQ(run.statusSentence(), "Pictorelle published on PictorelleWeb");
    EXPECT_EQ(story.uniqueId(), 42);
    EXPECT_EQ(saves, 1);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_TRUE(written[0].ok) << written[0].error.toStdString();
    EXPECT_EQ(story.storyFilePath(), written[0].storyFile);
    EXPECT_TRUE(fromUtf16Le(TempFolder::read(written[0].storyFile)).contains("SC_UNIQUE_ID=42\n"));
    EXPECT_EQ(run.failureDetail(), "");
    EXPECT_FALSE(run.isSaving());
    EXPECT_TRUE(run.isViewVisible());
    EXPECT_TRUE(run.isOkVisible());
    EXPECT_FALSE(run.isCancelVisible());
    EXPECT_EQ(run.detailAddress(), "http://service.test/?page=detail&cid=42");
    ASSERT_EQ(client.urls.size(), 2);
    EXPECT_EQ(client.urls[0], "http://service.test/?action=verify");
    EXPECT_EQ(client.urls[1], "http://service.test/?action=upload");
    EXPECT_EQ(client.forms[1].at(2).value, "ABCDEFGH");
    EXPECT_EQ(story.mp3Position(), -1);
    EXPECT_DOUBLE_EQ(run.barFraction(), 1.0);
}

TEST_F(RunFixture, GivenAFailedVerificationOrUpload_WhenTheRunEnds_ThenItShowsWhyAndStoresAndSavesNothing)
{
    addSlides({5});
    using Phase = PublicationRun::Phase;
    const ServiceClient::Result verified = client.verify, uploaded = client.upload;
    struct Case
    {
        ServiceClient::Result verify, upload;
        Phase phase;
        QString statusWord, statusSentence;
        QString reason; // what the verification failure shows, or the transport's text
    };
    const ServiceClient::Result wrongPassword{true, "Wrong user name or password.", {}};
    const ServiceClient::Result noHost{false, {}, "Could not resolve host"};
    const ServiceClient::Result refused{true, "FAIL=BADCODE 2", {}};
    const ServiceClient::Result noServer{false, {}, "Couldn't connect to server"};
    const QString notPublished = "The Pictorelle was not published.";
    const Case cases[] = {
        {wrongPassword, uploaded, Phase::VerifyFailed, "Failed", notPublished, "Wrong user name or password."},
        {noHost, uploaded, Phase::VerifyFailed, "Failed", notPublished, "Could not resolve host"},
        {verified, refused, Phase::UploadFailed, "Error BADCODE", "Please fix the error and try again.", {}},
        {verified, noServer, Phase::UploadFailed, "Error ", "The upload failed: Couldn't connect to server",
         "Couldn't connect to server"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statusSentence.toStdString());
        client.verify = c.verify;
        client.upload = c.upload;
        client.urls.clear();
        PublicationRun run(context());
        run.start();
        drive(run);
        ASSERT_EQ(run.phase(), c.phase);
        EXPECT_EQ(run.statusWord(), c.statusWord);
        EXPECT_EQ(run.statusSentence(), c.statusSentence);
        if (c.phase == Phase::VerifyFailed) {
            EXPECT_EQ(run.caption(), "Pictorelle Dazuzarid - Publish error");
            EXPECT_EQ(run.verifyErrorText(), c.reason);
            EXPECT_LE(run.progressTick(), 0.0); // the bar shows no fill
        } else if (!c.reason.isEmpty()) {
            EXPECT_EQ(run.failureDetail(), c.reason);
        }
        EXPECT_EQ(client.urls.size(), c.phase == Phase::VerifyFailed ? 1 : 2);
        EXPECT_EQ(story.uniqueId(), -1);
        EXPECT_EQ(saves, 0);
        EXPECT_TRUE(written.empty());
    }
}

// ---------------------------------------------------------------------------------------
// The quiet save with the new id, written on the run's pool.

TEST_F(RunFixture, GivenTheQuietSaveHeldUp_WhenTheUploadSucceeded_ThenTheRunIsPublishedOnlyOnceTheSaveIsWritten)
{
    addSlides({5});
    const SaveResult earlier = saveStory(story, FixedClock());
    ASSERT_TRUE(earlier.ok) << earlier.error.toStdString();
    PublicationRun run(context());
    // Another save of the story's folder runs meanwhile, holding the folder's lock.
    std::optional<SaveTransaction> running(std::in_place, earlier.storyFile);
    run.start();
    driveToSaving(run);
    ASSERT_TRUE(run.isSaving());
    EXPECT_EQ(story.uniqueId(), 42);
    EXPECT_EQ(saves, 1);
    for (int i = 0; i < 20; ++i)
        tick(run);
    EXPECT_EQ(run.phase(), PublicationRun::Phase::Uploading) << "published before the save was written";
    EXPECT_TRUE(run.isSaving());
    EXPECT_FALSE(run.isFinished());
    EXPECT_FALSE(run.isOkVisible());
    EXPECT_FALSE(run.isViewVisible());
    EXPECT_TRUE(written.empty());

    running.reset();
    drive(run);
    ASSERT_EQ(run.phase(), PublicationRun::Phase::Published);
    EXPECT_FALSE(run.isSaving());
    EXPECT_EQ(run.statusWord(), "Success!");
    EXPECT_EQ(run.failureDetail(), "");
    ASSERT_EQ(written.size(), 1u);
    EXPECT_TRUE(written[0].ok) << written[0].error.toStdString();
    EXPECT_EQ(written[0].storyFile, earlier.storyFile);
    EXPECT_TRUE(fromUtf16Le(TempFolder::read(earlier.storyFile)).contains("SC_UNIQUE_ID=42\n"));
}

TEST_F(RunFixture, GivenAQuietSaveThatFails_WhenTheRunEnds_ThenItIsPublishedAndSaysTheStoryWasNotSaved)
{
    addSlides({5});
    // A folder stands where the story file goes: the save cannot put it in place.
    const QString storyFile = home.path() + "save/taken/taken.sld";
    ASSERT_TRUE(QDir().mkpath(storyFile));
    story.setStoryFilePath(storyFile);
    PublicationRun run(context());
    run.start();
    drive(run);
    ASSERT_EQ(run.phase(), PublicationRun::Phase::Published);
    EXPECT_EQ(run.statusWord(), "Success!");
    EXPECT_EQ(run.statusSentence(), "Pictorelle published on PictorelleWeb");
    EXPECT_EQ(run.failureDetail(), "Published, but the story could not be saved with its new id.");
    EXPECT_TRUE(run.isViewVisible());
    EXPECT_EQ(story.uniqueId(), 42);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_FALSE(written[0].ok);
    EXPECT_TRUE(written[0].error.contains("something other than a file")) << written[0].error.toStdString();
    EXPECT_EQ(story.storyFilePath(), storyFile);

    // A story that cannot be saved at all says the same, and nothing is written.
    PublicationRun::Context unsaved = context();
    unsaved.quietSave.take = [] { return std::optional<StorySave>(); };
    written.clear();
    PublicationRun again(unsaved);
    again.start();
    drive(again);
    ASSERT_EQ(again.phase(), PublicationRun::Phase::Published);
    EXPECT_EQ(again.failureDetail(), "Published, but the story could not be saved with its new id.");
    EXPECT_TRUE(written.empty());
}

TEST_F(RunFixture, GivenARunWritingItsQuietSave_WhenDestroyed_ThenTheSaveIsWrittenWholeAndHandedOver)
{
    addSlides({5, 7});
    auto run = std::make_unique<PublicationRun>(context());
    run->start();
    driveToSaving(*run);
    ASSERT_TRUE(run->isSaving());

    run.reset();

    ASSERT_EQ(written.size(), 1u);
    EXPECT_TRUE(written[0].ok) << written[0].error.toStdString();
    EXPECT_EQ(story.storyFilePath(), written[0].storyFile);
    Story reloaded(home.path());
    ASSERT_TRUE(loadStory(written[0].storyFile, reloaded).opened);
    EXPECT_EQ(reloaded.uniqueId(), 42);
    EXPECT_EQ(reloaded.count(), 2);
}

TEST_F(RunFixture, OlderStoryTypesEndAtOnceAndLeaveThePositionIdle)
{
    addSlides({5});
    story.setType(3);
    PublicationRun run(context());
    run.start();
    EXPECT_TRUE(run.isFinished());
    EXPECT_EQ(story.mp3Position(), -1);
    EXPECT_TRUE(client.urls.isEmpty());
}

TEST_F(RunFixture, TheBarIsHalfPreparationHalfUploadAndCountsWhatNeededNoEncoding)
{
    addSlides({10, 20, 30});
    story.slideAt(0)->setHasNarration(true);
    story.slideAt(0)->setMp3Encoded(true);   // up to date already
    story.slideAt(1)->setHasNarration(true); // its WAV is missing: its encoding fails at once
    TempFolder otherHome;
    Story other(otherHome.path());
    addSlides({10, 20, 30}, &other);
    other.slideAt(2)->setHasNarration(true);
    PublicationRun run(context());
    PublicationRun second({other, account, client, nullptr, QStringLiteral("http://service.test"), {}});
    run.start();
    second.start();

    // The results are applied on this thread: until then only what needed nothing counts.
    EXPECT_DOUBLE_EQ(run.progressTick(), 0.5 * 10.0 / 60.0);
    EXPECT_DOUBLE_EQ(second.progressTick(), 0.0) << "only its own preparation counts";
    ASSERT_EVENTUALLY(story.mp3Position() == -1 && other.mp3Position() == -1);
    EXPECT_DOUBLE_EQ(run.progressTick(), 0.5);
}

//! Picture slides with long narrations, so that an encoding is surely in hand when asked.
struct NarratedRunFixture : RunFixture
{
    void SetUp() override { ASSERT_TRUE(loadMp3Codec()) << "the MP3 encoder library is needed"; }
    void TearDown() override { unloadMp3Codec(); }

    void addNarratedSlides(int slides, int seconds)
    {
        for (int i = 0; i < slides; ++i)
            narrate(addPictureSlide(story, home, i, QSize(160, 120)), home, seconds);
    }

    //! No slide is left marked busy, and a slide counts as encoded only with its whole MP3.
    void expectIdleAndHonest()
    {
        EXPECT_EQ(story.mp3Position(), -1);
        EXPECT_EQ(story.picturesBeingProcessed(), 0);
        for (int i = 0; i < story.count(); ++i) {
            const Slide& s = *story.slideAt(i);
            EXPECT_FALSE(s.isMp3Busy()) << i;
            if (s.isMp3Encoded()) {
                EXPECT_EQ(s.mp3Size(), QFileInfo(s.narrationMp3Path()).size()) << i;
                EXPECT_GE(s.mp3Size(), 3000 * s.narrationLength()) << i;
            } else {
                EXPECT_EQ(s.mp3Size(), 0) << i;
            }
        }
    }
};

TEST_F(NarratedRunFixture, GivenARunEncodingANarration_WhenCancelled_ThenTheEncodingStopsAndNoHalfMp3CountsAsEncoded)
{
    addNarratedSlides(2, 600);
    PublicationRun run(context());
    run.start();
    ASSERT_EVENTUALLY_WITHIN(run.encodeProgress().percent() >= 1, 20000);

    run.cancel();

    ASSERT_EVENTUALLY_WITHIN(story.mp3Position() == -1 && story.picturesBeingProcessed() == 0, 20000);
    EXPECT_LT(run.encodeProgress().percent(), 99) << "stopped within the narration in hand";
    const Slide& first = *story.slideAt(0);
    EXPECT_FALSE(first.isMp3Encoded());
    EXPECT_EQ(first.mp3Size(), 0);
    EXPECT_FALSE(QFileInfo::exists(first.narrationMp3Path())) << "no part of the cancelled MP3 is left";
    EXPECT_FALSE(story.slideAt(1)->isMp3Encoded()) << "no further narration starts";
    EXPECT_FALSE(QFileInfo::exists(story.slideAt(1)->narrationMp3Path()));
    expectIdleAndHonest();
    run.preparationTick();
    EXPECT_EQ(run.phase(), PublicationRun::Phase::Preparing) << "a cancelled run never verifies";
    EXPECT_TRUE(client.urls.isEmpty());
}

TEST_F(NarratedRunFixture, GivenARunMidPreparation_WhenDestroyed_ThenItReturnsPromptlyAndWritesNothingAfterwards)
{
    addNarratedSlides(6, 60);
    auto run = std::make_unique<PublicationRun>(context());
    run->start();
    ASSERT_EVENTUALLY_WITHIN(run->encodeProgress().percent() >= 1, 20000);

    run.reset();

    // Returned with the story idle, well before all six narrations could have been encoded.
    expectIdleAndHonest();
    int encoded = 0;
    std::vector<bool> loaded;
    for (int i = 0; i < story.count(); ++i) {
        encoded += story.slideAt(i)->isMp3Encoded() ? 1 : 0;
        loaded.push_back(story.slideAt(i)->isPictureLoaded());
    }
    int made = 0;
    for (int i = 0; i < story.count(); ++i)
        made += QFileInfo::exists(story.slideAt(i)->narrationMp3Path()) ? 1 : 0;
    // At most one more per core than applied: MP3s finished while their results were on their way.
    EXPECT_LE(made, encoded + QThread::idealThreadCount())
        << "the destruction stopped the encodings instead of waiting";
    EXPECT_LT(made, 6);
    EXPECT_FALSE(story.slideAt(5)->isMp3Encoded());
    // Results the workers had queued are never applied.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    for (int i = 0; i < story.count(); ++i) {
        EXPECT_EQ(story.slideAt(i)->isMp3Encoded() ? 1 : 0, i < encoded ? 1 : 0) << i;
        EXPECT_EQ(story.slideAt(i)->isPictureLoaded(), loaded[size_t(i)]) << i;
    }
    expectIdleAndHonest();
    EXPECT_TRUE(client.urls.isEmpty());
}

TEST_F(NarratedRunFixture, GivenEvenLoudness_WhenAPodcastIsPublished_ThenItsSegmentsGoUpEquallyLoudAndStayAsRecorded)
{
    story.setType(int(StoryType::Podcast));
    std::vector<QByteArray> takes;
    for (const double level : {-31.0, -11.0}) {
        auto segment = std::make_unique<Slide>(story);
        segment->setKind(SlideKind::Segment);
        Slide& added = *segment;
        story.add(std::move(segment));
        takes.push_back(narrateSpeech(added, home, level, 3));
    }
    PublicationRun::Context even = context();
    even.evenLoudness = true;
    PublicationRun run(even);
    run.start();
    drive(run);
    ASSERT_EQ(run.phase(), PublicationRun::Phase::Published) << run.failureDetail().toStdString();

    EXPECT_EQ(story.podcastMp3Size(), QFileInfo(story.podcastMp3Path()).size());
    const std::vector<std::int16_t> decoded = speechsignal::decodeMp3(story.podcastMp3Path());
    ASSERT_GT(decoded.size(), size_t(22050 * 5)) << "the ffmpeg tool is needed";
    for (const size_t from : {size_t(22050 / 4), size_t(22050 * 13 / 4)})
        EXPECT_NEAR(speechsignal::meter(std::span(decoded.data() + from, size_t(22050 * 5 / 2))).lufs,
                    loudness::TargetLufs, 1.5);
    for (size_t i = 0; i < takes.size(); ++i)
        EXPECT_EQ(TempFolder::read(story.slideAt(int(i))->narrationWavPath()), takes[i]) << i;
}

TEST_F(NarratedRunFixture, GivenAPodcastRunMidAssembly_WhenDestroyed_ThenThePositionIsIdleAndNoPodcastIsCounted)
{
    story.setType(int(StoryType::Podcast));
    for (int i = 0; i < 2; ++i) {
        auto segment = std::make_unique<Slide>(story);
        segment->setKind(SlideKind::Segment);
        Slide& added = *segment;
        story.add(std::move(segment));
        narrate(added, home, 300);
    }
    auto run = std::make_unique<PublicationRun>(context());
    run->start();
    EXPECT_EQ(story.mp3Position(), 0);
    ASSERT_EVENTUALLY_WITHIN(run->encodeProgress().percent() >= 1, 20000);

    run.reset();

    EXPECT_EQ(story.mp3Position(), -1);
    EXPECT_EQ(story.podcastMp3Size(), 0);
    EXPECT_FALSE(QFileInfo::exists(story.podcastMp3Path()));
    QCoreApplication::processEvents();
    EXPECT_EQ(story.podcastMp3Size(), 0);
    EXPECT_EQ(story.mp3Position(), -1);
}

} // namespace
