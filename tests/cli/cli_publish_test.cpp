// Publishing end to end: pictorelle-cli against a real pictorelle-web on a free port.
#include "clirunner.h"
#include "referenceservice.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

namespace {

struct PublishFixture : CliTest
{
    TempFolder serviceData;
    ReferenceService service{QStringLiteral(PICTORELLE_WEB), serviceData.path()};

    void SetUp() override { ASSERT_FALSE(service.base().isEmpty()) << "the reference service did not start"; }

    QString makeStory()
    {
        const CliRun made =
            cli({"new", "--title", "Sea & <Sun> é", "--description", "day one\nday two", "--tags", "sea;sun",
                 "--category", "2060200", "--slide", writePicture(input, "a.jpg", 900, 600), "--narration",
                 input.write("a.wav", waveBytes(44100 * 2)), "--caption", "first", "--slide",
                 writePicture(input, "b.png", 300, 400), "--narration", input.write("b.wav", waveBytes(44100 * 3))});
        EXPECT_EQ(made.code, 0) << made.err.toStdString();
        return made.lastLine();
    }
};

TEST_F(PublishFixture, APublishedStoryCarriesItsIdAndItsPageShowsIt)
{
    ASSERT_TRUE(service.addUser("alice", "secret"));
    ASSERT_EQ(cli({"account", "--user", "alice", "--password", "secret", "--language", "German"}).code, 0);
    const QString sld = makeStory();
    const CliRun check = cli({"check", sld});
    EXPECT_EQ(check.code, 0) << check.out.toStdString();
    EXPECT_EQ(check.out, " - No errors found\n");

    const CliRun published = cli({"publish", sld, "--service", service.base()});
    ASSERT_EQ(published.code, 0) << published.err.toStdString();
    EXPECT_TRUE(published.err.contains("Success!"));
    const QString address = published.lastLine();
    const auto id = QRegularExpression("/\\?page=detail&cid=(\\d+)$").match(address);
    ASSERT_TRUE(id.hasMatch()) << address.toStdString();
    EXPECT_TRUE(address.startsWith(service.base()));
    EXPECT_EQ(cli({"show", sld, "--json"}).json().object()["unique_id"].toInt(), id.captured(1).toInt());

    const QString page = service.page(address);
    EXPECT_TRUE(page.contains("Sea &amp; &lt;Sun&gt;")) << page.left(400).toStdString();
    EXPECT_FALSE(page.contains("<Sun>"));
    EXPECT_TRUE(page.contains(".jpg"));
    EXPECT_TRUE(page.contains(".mp3"));

    // Publishing again sends the id and replaces the story under the same id.
    const CliRun again = cli({"publish", sld, "--service", service.base()});
    ASSERT_EQ(again.code, 0) << again.err.toStdString();
    EXPECT_EQ(again.lastLine(), address);
}

TEST_F(PublishFixture, GivenTheEvenLoudnessSwitch_WhenPublished_ThenTheServiceGetsTheMp3sMadeForIt)
{
    ASSERT_TRUE(service.addUser("alice", "secret"));
    ASSERT_EQ(cli({"account", "--user", "alice", "--password", "secret"}).code, 0);
    const QString sld = makeStory();
    // The MP3s of a folder, by their bytes.
    const auto mp3sIn = [](const QString& folder) {
        QSet<QByteArray> found;
        QDirIterator it(folder, {"*.mp3"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            found.insert(TempFolder::read(it.next()));
        return found;
    };
    const QSet<QByteArray> evened = mp3sIn(home.file("cache/mp3"));
    ASSERT_EQ(evened.size(), 2) << "made evened out by new";

    const CliRun plain = cli({"publish", sld, "--service", service.base(), "--no-even-loudness"});
    ASSERT_EQ(plain.code, 0) << plain.err.toStdString();
    const QSet<QByteArray> kept = mp3sIn(home.file("cache/mp3"));
    ASSERT_EQ(kept.size(), 4) << "the plain MP3s are made and kept beside the evened ones";
    const QSet<QByteArray> sentPlain = mp3sIn(serviceData.path());
    EXPECT_FALSE(sentPlain.isEmpty());
    EXPECT_TRUE(QSet<QByteArray>(kept).subtract(evened).contains(sentPlain)) << "the plain ones were sent";

    const CliRun even = cli({"publish", sld, "--service", service.base()});
    ASSERT_EQ(even.code, 0) << even.err.toStdString();
    EXPECT_EQ(mp3sIn(home.file("cache/mp3")).size(), 4) << "nothing new to make";
    EXPECT_TRUE(mp3sIn(serviceData.path()).intersects(evened)) << "the evened ones were sent";
}

TEST_F(PublishFixture, AWrongPasswordFailsVerificationWithTheServiceSentence)
{
    ASSERT_TRUE(service.addUser("bob", "right"));
    ASSERT_EQ(cli({"account", "--user", "bob", "--password", "wrong"}).code, 0);
    const QString sld = makeStory();
    const CliRun r = cli({"publish", sld, "--service", service.base()});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("Failed: The Pictorelle was not published.")) << r.err.toStdString();
    EXPECT_EQ(cli({"show", sld, "--json"}).json().object()["unique_id"].toInt(), -1);
}

TEST_F(PublishFixture, ChecksStopAnIncompleteStoryBeforeAnythingIsSent)
{
    const CliRun made = cli({"new", "--slide", writePicture(input, "a.jpg", 50, 50)});
    ASSERT_EQ(made.code, 0);
    const CliRun check = cli({"check", made.lastLine()});
    EXPECT_EQ(check.code, 1);
    EXPECT_EQ(check.out, " - Pictorelle TITLE required\n"
                         " - Pictorelle DESCRIPTION required\n"
                         " - Pictorelle CATEGORY required\n"
                         " - Pictorelle TAG required\n"
                         " - Slide 1:  missing audio recording\n"
                         " - USERNAME required, see Settings -> Program Settings -> User Settings\n"
                         " - PASSWORD required, see Settings -> Program Settings -> User Settings\n");
    const CliRun r = cli({"publish", made.lastLine(), "--service", service.base()});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("TITLE required"));
}

TEST_F(PublishFixture, ANetworkFailureIsReportedNotWaitedForEver)
{
    ASSERT_EQ(cli({"account", "--user", "carol", "--password", "x"}).code, 0);
    const QString sld = makeStory();
    // A port nothing listens on: the connection is refused at once.
    const CliRun r = cli({"publish", sld, "--service", "http://127.0.0.1:1"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("Failed")) << r.err.toStdString();
}

TEST_F(PublishFixture, AccountStoresTheDigestNeverThePassword)
{
    ASSERT_EQ(cli({"account", "--user", "dave", "--password", "secret", "--remember"}).code, 0);
    const QByteArray ini = TempFolder::read(home.file("pictorelle.ini"));
    EXPECT_TRUE(ini.contains("USERNAME=dave\r\n"));
    EXPECT_TRUE(ini.contains("PASSWORD=5ebe2294ecd0e0f08eab7690d2a6ee69\r\n"));
    EXPECT_TRUE(ini.contains("REMEMBER_PASSWORD=1\r\n"));
    EXPECT_FALSE(ini.contains("secret"));
    EXPECT_EQ(cli({"account", "--user", "dave", "--password", "x", "--language", "Klingon"}).code, 1);
}

} // namespace
