#include "publishdialogfixture.h"

#include "publish/curlglobal.h"
#include "publish/curlserviceclient.h"
#include "publish/serviceclient.h"
#include "story/linereader.h"
#include "story/savetransaction.h"
#include "story/storysave.h"

#include <optional>

namespace {

// ---------------------------------------------------------------------------------------
// The publish dialog over a scripted service.

//! Answers with scripted replies and records the addresses asked; can hold either request
//! until released, aborting as a real transfer does when the progress callback says so.
class ScriptedClient : public ServiceClient
{
public:
    Result post(const QByteArray& url, const Form&, const Progress& progress) override
    {
        const bool verify = url.endsWith("?action=verify");
        std::unique_lock lock(m_mutex);
        m_urls << url;
        while ((verify ? holdVerify : holdUpload) && !m_released) {
            if (progress && !progress(0, 0))
                return {false, {}, QStringLiteral("aborted")};
            m_wake.wait_for(lock, std::chrono::milliseconds(10));
        }
        if (verify)
            return verifyResult;
        if (progress) {
            progress(500, 1000);
            if (!progress(1000, 1000))
                return {false, {}, QStringLiteral("aborted")};
        }
        return uploadResult;
    }

    void release()
    {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_wake.notify_all();
    }

    QList<QByteArray> urls()
    {
        std::lock_guard lock(m_mutex);
        return m_urls;
    }

    // Set before the dialog opens.
    Result verifyResult{true, "OKAY,ABCDEFGH,http://127.0.0.1:8642/?action=upload", {}};
    Result uploadResult{true, "OKAY=4711", {}};
    bool holdVerify = false;
    bool holdUpload = false;

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    QList<QByteArray> m_urls;
    bool m_released = false;
};

class PublishDialogTest : public PublishChecksDialogTest
{
protected:
    ScriptedClient client;
    int saves = 0;                   //!< quiet saves taken from the story
    std::vector<SaveResult> written; //!< quiet saves handed back

    void TearDown() override { client.release(); }

    //! The real quiet save, as the main window's, without its messages.
    PublicationRun::QuietSave quietSave()
    {
        PublicationRun::QuietSave save;
        save.take = [this] {
            ++saves;
            return std::optional(takeStoryForSave(story, QDateTime::currentDateTime()));
        };
        save.finish = [this](const SaveResult& result) {
            written.push_back(result);
            applyStorySave(story, result);
            return result.ok;
        };
        return save;
    }

    std::unique_ptr<PublishDialog> openDialog()
    {
        auto dialog = std::make_unique<PublishDialog>(story, account, client, RecordedHooks::ServiceBase, skin,
                                                      hooks.actions(), quietSave(), &owner);
        dialog->show();
        return dialog;
    }

    static bool waitForPhase(const PublishDialog& dialog, PublicationRun::Phase phase)
    {
        return QTest::qWaitFor([&] { return dialog.publication().phase() == phase; }, WaitMs);
    }

    static bool visible(const QWidget& dialog, const char* name) { return button(dialog, name)->isVisible(); }
};

TEST_F(PublishDialogTest, GivenAGoodServiceThenThePhasesRunToSuccessAndViewOpensTheStoryPage)
{
    addSlide(5);
    addSlide(7);
    client.holdVerify = true;
    auto dialog = openDialog();
    EXPECT_EQ(dialog->objectName(), "PUBLISH_BOX");
    EXPECT_EQ(dialog->windowTitle(), "Pictorelle Dazuzarid - Publishing your slides");
    EXPECT_EQ(labelText(*dialog, "statusWord"), "Compressing");
    EXPECT_EQ(labelText(*dialog, "statusSentence"), "Preparing the Pictorelle.");
    EXPECT_TRUE(visible(*dialog, "cancel"));
    EXPECT_FALSE(visible(*dialog, "ok"));
    EXPECT_FALSE(visible(*dialog, "view"));
    EXPECT_EQ(button(*dialog, "cancel")->text(), "&Cancel");
    EXPECT_EQ(button(*dialog, "ok")->text(), "Ok");
    EXPECT_EQ(button(*dialog, "view")->text(), "&View");

    ASSERT_TRUE(waitForPhase(*dialog, PublicationRun::Phase::Verifying));
    ASSERT_TRUE(QTest::qWaitFor([&] { return labelText(*dialog, "statusWord") == "Submitting"; }, WaitMs));
    EXPECT_EQ(labelText(*dialog, "statusSentence"), "Sending the Pictorelle to the server.");
    EXPECT_TRUE(visible(*dialog, "cancel"));
    client.release();

    ASSERT_TRUE(waitForPhase(*dialog, PublicationRun::Phase::Published));
    ASSERT_TRUE(QTest::qWaitFor([&] { return visible(*dialog, "view"); }, WaitMs));
    EXPECT_EQ(labelText(*dialog, "statusWord"), "Success!");
    EXPECT_EQ(labelText(*dialog, "statusSentence"), "Pictorelle published on PictorelleWeb");
    EXPECT_FALSE(visible(*dialog, "cancel"));
    EXPECT_TRUE(visible(*dialog, "ok"));
    EXPECT_EQ(button(*dialog, "ok")->geometry().topRight(), button(*dialog, "cancel")->geometry().topRight());
    EXPECT_EQ(story.uniqueId(), 4711);
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(client.urls(),
              QList<QByteArray>({"http://127.0.0.1:8642/?action=verify", "http://127.0.0.1:8642/?action=upload"}));

    QTest::mouseClick(button(*dialog, "view"), Qt::LeftButton);
    ASSERT_EQ(hooks.opener.opened.size(), 1);
    EXPECT_EQ(hooks.opener.opened[0], weblinks::storyPageAddress(RecordedHooks::ServiceBase, 4711));
    EXPECT_TRUE(dialog->isVisible());

    QTest::mouseClick(button(*dialog, "ok"), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 1);
    EXPECT_EQ(saves, 1);
}

TEST_F(PublishDialogTest, GivenARefusedVerificationThenTheServiceSentenceShowsInTheErrorDialog)
{
    addSlide(5);
    client.verifyResult = {true, "Wrong user name or password.", {}};
    ModalWatcher modals;
    modals.ignored = QStringLiteral("PUBLISH_BOX");
    auto dialog = openDialog();
    ASSERT_TRUE(QTest::qWaitFor([&] { return modals.seen.size() == 1; }, WaitMs));
    EXPECT_EQ(modals.seen[0].name, "VERIFY_ERROR_BOX");
    EXPECT_EQ(modals.seen[0].heading, "The following error occured :");
    EXPECT_EQ(modals.seen[0].body, "Wrong user name or password.");
    EXPECT_EQ(dialog->windowTitle(), "Pictorelle Dazuzarid - Publish error");
    EXPECT_EQ(labelText(*dialog, "statusWord"), "Failed");
    EXPECT_EQ(labelText(*dialog, "statusSentence"), "The Pictorelle was not published.");
    EXPECT_FALSE(visible(*dialog, "cancel"));
    EXPECT_TRUE(visible(*dialog, "ok"));
    EXPECT_FALSE(visible(*dialog, "view"));
    EXPECT_EQ(client.urls().size(), 1); // no upload after a refusal
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(story.uniqueId(), -1);

    // The bar shows no fill once verification failed.
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->publication().barFraction() <= 0; }, WaitMs));
    const QImage shot = dialog->grab().toImage();
    const QRect bar = PublishDialog::barRect(dialog->size());
    EXPECT_NE(shot.pixelColor(bar.left() + 2, bar.center().y()), QColor(0, 0, 255));
}

TEST_F(PublishDialogTest, GivenAnUploadRefusalThenTheErrorWordShowsAndNothingIsSaved)
{
    addSlide(5);
    client.uploadResult = {true, "FAIL=BADCODE 2", {}};
    auto dialog = openDialog();
    ASSERT_TRUE(waitForPhase(*dialog, PublicationRun::Phase::UploadFailed));
    ASSERT_TRUE(QTest::qWaitFor([&] { return visible(*dialog, "ok"); }, WaitMs));
    EXPECT_EQ(labelText(*dialog, "statusWord"), "Error BADCODE");
    EXPECT_EQ(labelText(*dialog, "statusSentence"), "Please fix the error and try again.");
    EXPECT_FALSE(visible(*dialog, "cancel"));
    EXPECT_FALSE(visible(*dialog, "view"));
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(story.uniqueId(), -1);
}

TEST_F(PublishDialogTest, GivenALostConnectionDuringTheUploadThenTheDialogEndsInTheErrorPhaseWithTheReason)
{
    addSlide(5);
    client.uploadResult = {false, {}, QStringLiteral("Couldn't connect to server")};
    auto dialog = openDialog();
    ASSERT_TRUE(waitForPhase(*dialog, PublicationRun::Phase::UploadFailed));
    ASSERT_TRUE(QTest::qWaitFor([&] { return visible(*dialog, "ok"); }, WaitMs));
    EXPECT_TRUE(labelText(*dialog, "statusWord").startsWith("Error"));
    EXPECT_TRUE(labelText(*dialog, "statusSentence").contains("Couldn't connect to server"));
    EXPECT_FALSE(visible(*dialog, "cancel"));
    EXPECT_EQ(saves, 0);
}

TEST_F(PublishDialogTest, GivenCancelDuringPreparationThenTheDialogClosesAtOnceAndNothingIsSent)
{
    addSlide(5);
    story.beginPictureProcessing(); // a picture still being made keeps the dialog preparing
    auto dialog = openDialog();
    // The bar moves once the preparation has started.
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->publication().barFraction() > 0; }, WaitMs));
    ASSERT_EQ(dialog->publication().phase(), PublicationRun::Phase::Preparing);
    EXPECT_EQ(labelText(*dialog, "statusWord"), "Compressing");
    QTest::mouseClick(button(*dialog, "cancel"), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 0);
    story.endPictureProcessing();
    dialog.reset(); // waits for the preparation to stop
    EXPECT_TRUE(client.urls().isEmpty());
    EXPECT_EQ(story.mp3Position(), -1);
    EXPECT_EQ(saves, 0);
}

TEST_F(PublishDialogTest, GivenEscapeWhileTheServiceIsSlowThenTheRequestIsAbortedAndTheDialogCloses)
{
    addSlide(5);
    client.holdUpload = true;
    auto dialog = openDialog();
    ASSERT_TRUE(waitForPhase(*dialog, PublicationRun::Phase::Uploading));
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 0);
    dialog.reset(); // returns only because the held upload saw the cancel
    EXPECT_EQ(client.urls().size(), 2);
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(story.uniqueId(), -1);
}

TEST_F(PublishDialogTest, GivenAThirdOfTheNarrationPreparedThenOneSixthOfTheBarIsBlue)
{
    addSlide(10);
    addSlide(10);
    addSlide(40);
    // The first two are up to date: a third of the narration needs no encoding.
    for (int i = 0; i < 2; ++i) {
        story.slideAt(i)->setHasNarration(true);
        story.slideAt(i)->setMp3Encoded(true);
    }
    client.holdVerify = true;
    auto dialog = openDialog();
    dialog->resize(480, 260);
    ASSERT_TRUE(waitForPhase(*dialog, PublicationRun::Phase::Verifying));
    // Preparation is over, so its position is ours to set: the bar shows it as under way again.
    story.setMp3Position(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return qAbs(dialog->publication().barFraction() - 1.0 / 6) < 1e-9; }, WaitMs));
    const QImage shot = dialog->grab().toImage();
    story.setMp3Position(-1);

    const QSize client = dialog->size();
    const QRect bar = PublishDialog::barRect(client);
    ASSERT_EQ(client.width(), 480);
    EXPECT_EQ(bar, QRect(15, client.height() / 2 - 9, 480 - 30, 20));
    const int filled = (480 - 30) / 6;
    EXPECT_EQ(PublishDialog::filledWidth(client, 1.0 / 6), filled);
    const int middle = bar.top() + 10;
    EXPECT_EQ(shot.pixelColor(15, middle), QColor(0, 0, 255));
    EXPECT_EQ(shot.pixelColor(15 + filled - 1, middle), QColor(0, 0, 255));
    EXPECT_NE(shot.pixelColor(15 + filled, middle), QColor(0, 0, 255));
    EXPECT_EQ(shot.pixelColor(15, bar.top()), QColor(0, 0, 255));
    EXPECT_EQ(shot.pixelColor(15, bar.top() + 19), QColor(0, 0, 255));
    EXPECT_NE(shot.pixelColor(15, bar.top() + 20), QColor(0, 0, 255));
    // The frame: grey left and top, white bottom and right, two pixels outside the bar.
    EXPECT_EQ(shot.pixelColor(13, middle), QColor(128, 128, 128));
    EXPECT_EQ(shot.pixelColor(200, bar.top() - 2), QColor(128, 128, 128));
    EXPECT_EQ(shot.pixelColor(200, bar.top() + 22), QColor(255, 255, 255));
    EXPECT_EQ(shot.pixelColor(480 - 13, middle), QColor(255, 255, 255));
}

TEST_F(PublishDialogTest, GivenTheQuietSaveHeldUpThenCancelIsDisabledAndTheDialogStaysOpenUntilItIsWritten)
{
    addSlide(5);
    story.setTitle(QStringLiteral("Tide pools"));
    const SaveResult earlier = saveStory(story);
    ASSERT_TRUE(earlier.ok) << earlier.error.toStdString();
    // Another save of the story's folder runs meanwhile, holding the folder's lock.
    std::optional<SaveTransaction> running(std::in_place, earlier.storyFile);
    auto dialog = openDialog();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->publication().isSaving(); }, WaitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !button(*dialog, "cancel")->isEnabled(); }, WaitMs));
    EXPECT_TRUE(visible(*dialog, "cancel"));
    EXPECT_FALSE(visible(*dialog, "ok"));
    EXPECT_EQ(story.uniqueId(), 4711);

    // Neither Escape nor a close takes the dialog away while the save is written.
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    dialog->close();
    EXPECT_TRUE(dialog->isVisible());
    QTest::qWait(3 * PublishDialog::ProgressTimerMs);
    EXPECT_EQ(dialog->publication().phase(), PublicationRun::Phase::Uploading);
    EXPECT_TRUE(written.empty());

    running.reset();
    ASSERT_TRUE(waitForPhase(*dialog, PublicationRun::Phase::Published));
    ASSERT_TRUE(QTest::qWaitFor([&] { return visible(*dialog, "ok"); }, WaitMs));
    EXPECT_EQ(labelText(*dialog, "statusWord"), "Success!");
    EXPECT_FALSE(visible(*dialog, "cancel"));
    EXPECT_TRUE(button(*dialog, "cancel")->isEnabled());
    EXPECT_FALSE(dialog->findChild<QLabel*>(QStringLiteral("failureDetail"))->isVisible());
    ASSERT_EQ(written.size(), 1u);
    EXPECT_TRUE(written[0].ok) << written[0].error.toStdString();
    EXPECT_TRUE(fromUtf16Le(TempFolder::read(earlier.storyFile)).contains("SC_UNIQUE_ID=4711\n"));
    QTest::mouseClick(button(*dialog, "ok"), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 1);
}

TEST_F(PublishDialogTest, GivenAQuietSaveThatFailsThenSuccessShowsWithTheReasonTheStoryWasNotSaved)
{
    addSlide(5);
    // A folder stands where the story file goes: the save cannot put it in place.
    const QString storyFile = home.path() + "save/taken/taken.sld";
    ASSERT_TRUE(QDir().mkpath(storyFile));
    story.setStoryFilePath(storyFile);
    auto dialog = openDialog();
    ASSERT_TRUE(waitForPhase(*dialog, PublicationRun::Phase::Published));
    ASSERT_TRUE(QTest::qWaitFor([&] { return visible(*dialog, "ok"); }, WaitMs));
    EXPECT_EQ(labelText(*dialog, "statusWord"), "Success!");
    EXPECT_EQ(labelText(*dialog, "statusSentence"), "Pictorelle published on PictorelleWeb");
    EXPECT_EQ(labelText(*dialog, "failureDetail"), "Published, but the story could not be saved with its new id.");
    EXPECT_TRUE(dialog->findChild<QLabel*>(QStringLiteral("failureDetail"))->isVisible());
    EXPECT_TRUE(visible(*dialog, "view"));
    EXPECT_EQ(saves, 1);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_FALSE(written[0].ok);
}

TEST(PublishBarTest, GivenFractionsThenTheFillIsTruncatedAndNeverBeyondTheBar)
{
    const QSize client(430, 150);
    EXPECT_EQ(PublishDialog::filledWidth(client, 0.0), 0);
    EXPECT_EQ(PublishDialog::filledWidth(client, -1.0), 0);
    EXPECT_EQ(PublishDialog::filledWidth(client, 0.999), 399);
    EXPECT_EQ(PublishDialog::filledWidth(client, 1.0), 400);
    EXPECT_EQ(PublishDialog::filledWidth(client, 1.5), 400);
    EXPECT_EQ(PublishDialog::barRect(client), QRect(15, 66, 400, 20));
    EXPECT_EQ(PublishDialog::barRect(QSize(430, 151)), QRect(15, 66, 400, 20));
}

// ---------------------------------------------------------------------------------------
// End to end against the reference service.

//! One second of a 440 Hz tone in the narration format.
void writeNarration(const QString& path)
{
    WaveFileSink sink(path, 22050, 16, 1);
    QByteArray samples(44100, '\0');
    for (int i = 0; i < 22050; ++i)
        qToLittleEndian<qint16>(qint16(8000 * std::sin(2 * M_PI * 440 * i / 22050.0)), samples.data() + 2 * i);
    sink.write(samples.constData(), quint32(samples.size()));
    sink.close();
}

TEST_F(PublishDialogTest, GivenTheReferenceServiceThenAOneSlideStoryIsPublishedAndSavedWithItsId)
{
    CurlGlobal curlSetUp;
    ASSERT_TRUE(loadMp3Codec()) << "the MP3 encoder library is needed";
    TempFolder serviceData;
    ReferenceService service(QStringLiteral(PICTORELLE_WEB), serviceData.path());
    ASSERT_FALSE(service.base().isEmpty()) << "the reference service did not start";
    ASSERT_TRUE(service.addUser(QStringLiteral("alice"), QStringLiteral("secret")));

    auto slide = std::make_unique<Slide>(story);
    QImage picture(320, 200, QImage::Format_RGB32);
    picture.fill(QColor(30, 120, 200));
    const QString source = home.file(QStringLiteral("shore.jpg"));
    ASSERT_TRUE(picture.save(source, "JPEG"));
    slide->setSourcePicturePath(source);
    slide->setCaption(QStringLiteral("The shore"));
    Slide* added = slide.get();
    ASSERT_TRUE(story.add(std::move(slide)));
    ASSERT_FALSE(added->narrationWavPath().isEmpty());
    writeNarration(added->narrationWavPath());
    added->setHasNarration(true);
    added->setNarrationLength(1);
    fillEverything();

    CurlServiceClient curl;
    int savedWithId = 0;
    PublicationRun::QuietSave save = quietSave();
    save.take = [&] {
        savedWithId = story.uniqueId();
        return std::optional(takeStoryForSave(story, QDateTime::currentDateTime()));
    };
    PublishDialog dialog(story, account, curl, service.base(), skin, hooks.actions(), save, &owner);
    ModalWatcher modals;
    QTimer::singleShot(0, &dialog, [&] {
        // Closes the dialog as the user would once the result shows.
        auto* finished = new QTimer(&dialog);
        QObject::connect(finished, &QTimer::timeout, &dialog, [&] {
            if (dialog.publication().isFinished() && button(dialog, "ok")->isVisible())
                QTest::mouseClick(button(dialog, "ok"), Qt::LeftButton);
        });
        finished->start(20);
    });
    modals.ignored = QStringLiteral("PUBLISH_BOX");
    // A run that never ends must not hang the test.
    QTimer::singleShot(120000, &dialog, [&] { dialog.reject(); });
    const int result = dialog.exec();
    unloadMp3Codec();

    EXPECT_EQ(dialog.publication().phase(), PublicationRun::Phase::Published)
        << dialog.publication().statusWord().toStdString() << " / "
        << dialog.publication().statusSentence().toStdString() << " / "
        << dialog.publication().verifyErrorText().toStdString() << " / "
        << dialog.publication().failureDetail().toStdString();
    EXPECT_EQ(result, 1);
    EXPECT_GT(story.uniqueId(), 0);
    EXPECT_EQ(savedWithId, story.uniqueId());
    ASSERT_EQ(written.size(), 1u);
    EXPECT_TRUE(written[0].ok) << written[0].error.toStdString();
    EXPECT_EQ(dialog.publication().failureDetail(), "");
    EXPECT_TRUE(added->isMp3Encoded());
    EXPECT_TRUE(modals.seen.isEmpty()); // no error along the way
    ASSERT_FALSE(story.storyFilePath().isEmpty());

    Story reloaded(home.path());
    ASSERT_TRUE(loadStory(story.storyFilePath(), reloaded).opened);
    EXPECT_EQ(reloaded.uniqueId(), story.uniqueId());
}

} // namespace
