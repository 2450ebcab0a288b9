#include "shell/programsettings.h"
#include "audio/mp3encoder.h"
#include "publish/publicationrun.h"
#include "story/story.h"
#include "tempfolder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

#include <mutex>

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
    int saves = 0;

    PublicationRun::Context context()
    {
        return {story, account, client, nullptr, QStringLiteral("http://service.test"), [this] {
                    ++saves;
                    return true;
                }};
    }

    void addSlides(std::initializer_list<int> seconds)
    {
        for (int s : seconds) {
            auto slide = std::make_unique<Slide>(story);
            slide->setKind(SlideKind(3)); // no picture import, no encoding: the run's own steps only
            slide->setNarrationLength(s);
            story.add(std::move(slide));
        }
    }

    //! Drives the run as the dialog's timers would, until it ends (at most 10 s).
    void drive(PublicationRun& run)
    {
        QElapsedTimer t;
        t.start();
        while (!run.isFinished() && t.elapsed() < 10000) {
            QCoreApplication::processEvents();
            run.preparationTick();
            run.verifyTick();
            run.progressTick();
            QThread::msleep(5);
        }
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

TEST_F(RunFixture, AFailedVerificationShowsTheServiceSentence)
{
    addSlides({5});
    story.setType(1);
    client.verify = {true, "Wrong user name or password.", {}};
    PublicationRun run(context());
    run.start();
    drive(run);
    ASSERT_EQ(run.phase(), PublicationRun::Phase::VerifyFailed);
    EXPECT_EQ(run.statusWord(), "Failed");
    EXPECT_EQ(run.statusSentence(), "The Pictorelle was not published.");
    EXPECT_EQ(run.caption(), "Pictorelle Dazuzarid - Publish error");
    EXPECT_EQ(run.verifyErrorText(), "Wrong user name or password.");
    EXPECT_LE(run.progressTick(), 0.0); // the bar shows no fill
    EXPECT_EQ(client.urls.size(), 1);
    EXPECT_EQ(saves, 0);
}

TEST_F(RunFixture, AnUploadRefusalShowsTheErrorWord)
{
    addSlides({5});
    client.upload = {true, "FAIL=BADCODE 2", {}};
    PublicationRun run(context());
    run.start();
    drive(run);
    ASSERT_EQ(run.phase(), PublicationRun::Phase::UploadFailed);
    EXPECT_EQ(run.statusWord(), "Error BADCODE");
    EXPECT_EQ(run.statusSentence(), "Please fix the error and try again.");
    EXPECT_EQ(story.uniqueId(), -1);
    EXPECT_EQ(saves, 0);
}

TEST_F(RunFixture, ATransportFailureEndsTheRunWithItsReason)
{
    addSlides({5});
    client.upload = {false, {}, QStringLiteral("Couldn't connect to server")};
    PublicationRun run(context());
    run.start();
    drive(run);
    ASSERT_EQ(run.phase(), PublicationRun::Phase::UploadFailed);
    EXPECT_EQ(run.failureDetail(), "Couldn't connect to server");
    EXPECT_TRUE(run.statusSentence().contains("Couldn't connect to server"));

    client.verify = {false, {}, QStringLiteral("Could not resolve host")};
    PublicationRun second(context());
    second.start();
    drive(second);
    EXPECT_EQ(second.phase(), PublicationRun::Phase::VerifyFailed);
    EXPECT_EQ(second.verifyErrorText(), "Could not resolve host");
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

TEST_F(RunFixture, TheBarIsHalfPreparationHalfUpload)
{
    addSlides({10, 20, 30});
    PublicationRun run(context());
    story.setMp3Position(1);
    encodeProgressPercent.store(50);
    EXPECT_DOUBLE_EQ(run.progressTick(), 0.5 * (10.0 + 10.0) / 60.0); // one sixth
    story.setMp3Position(-1);
    EXPECT_DOUBLE_EQ(run.progressTick(), 0.5);
    encodeProgressPercent.store(0);
}

} // namespace
