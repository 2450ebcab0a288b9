#include "shell/storyrecovery.h"
#include "tempfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>

namespace {

//! The desktop program of recovery_harness, as a process of its own.
class Harness
{
public:
    Harness(const QString& home, const QString& mode)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(QStringLiteral(PICTORELLE_RECOVERY_HARNESS), {home, mode});
    }
    ~Harness()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    //! Waits (bounded) for a line of standard output starting with prefix; its remainder.
    std::optional<QString> waitForLine(const QString& prefix, int milliseconds = 60000)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < milliseconds) {
            for (const QString& line : std::as_const(m_lines))
                if (line.startsWith(prefix))
                    return line.mid(prefix.size()).trimmed();
            if (m_process.state() == QProcess::NotRunning && !m_process.canReadLine())
                break;
            m_process.waitForReadyRead(100);
            while (m_process.canReadLine())
                m_lines << QString::fromUtf8(m_process.readLine()).trimmed();
        }
        for (const QString& line : std::as_const(m_lines))
            if (line.startsWith(prefix))
                return line.mid(prefix.size()).trimmed();
        return std::nullopt;
    }

    //! Ends it the way a crash does: no chance to tidy anything.
    void killHard()
    {
        ::kill(pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished();
    }

    int finish()
    {
        m_process.waitForFinished(60000);
        while (m_process.canReadLine())
            m_lines << QString::fromUtf8(m_process.readLine()).trimmed();
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

    bool said(const QString& line) const { return m_lines.contains(line); }
    QString errors() { return QString::fromUtf8(m_process.readAllStandardError()); }

private:
    QProcess m_process;
    QStringList m_lines;
};

//! A harness run to its end in a mode that restores or declines, and the story it showed.
struct Restart
{
    std::unique_ptr<Harness> harness;
    QJsonObject story;
};

Restart restart(const QString& home, const QString& mode)
{
    Restart r{std::make_unique<Harness>(home, mode), {}};
    const auto story = r.harness->waitForLine(QStringLiteral("STORY "));
    EXPECT_TRUE(story.has_value()) << r.harness->errors().toStdString();
    EXPECT_EQ(r.harness->finish(), 0) << r.harness->errors().toStdString();
    if (story)
        r.story = QJsonDocument::fromJson(story->toUtf8()).object();
    return r;
}

void killWhile(const QString& home, const QString& mode)
{
    Harness running(home, mode);
    ASSERT_TRUE(running.waitForLine(QStringLiteral("READY")).has_value()) << running.errors().toStdString();
    running.killHard();
    ASSERT_TRUE(QFileInfo(storyrecovery::fileIn(home + "temp/")).isFile()) << "the copy outlives the program";
}

} // namespace

TEST(RecoveryAfterAKill, GivenAProgramKilledWhileEditing_ThenTheNextStartOffersAndRestoresEverything)
{
    TempFolder home;
    killWhile(home.path(), "edit");

    const Restart next = restart(home.path(), "restore");
    const QJsonObject& story = next.story;
    EXPECT_TRUE(next.harness->said("ASKED Restore the unsaved Pictorelle?"));
    EXPECT_EQ(story["title"].toString(), "Trip");
    EXPECT_EQ(story["description"].toString(), "day one\r\nday two");
    EXPECT_EQ(story["tags"].toString(), "sea sun");
    EXPECT_EQ(story["current"].toInt(), 1);
    EXPECT_TRUE(story["modified"].toBool()) << "restored work is not saved work";
    const QJsonArray slides = story["slides"].toArray();
    ASSERT_EQ(slides.size(), 3);
    EXPECT_EQ(slides[0].toObject()["caption"].toString(), "second") << "the order as it was";
    EXPECT_EQ(slides[1].toObject()["caption"].toString(), "third");
    EXPECT_EQ(slides[2].toObject()["caption"].toString(), "first");
    EXPECT_EQ(slides[0].toObject()["cue"].toString(), QString(1500, QLatin1Char('c')));
    // The turned slide keeps its quarter turn: its 320 × 200 picture stands upright.
    const QJsonObject turned = slides[1].toObject();
    EXPECT_EQ(turned["rotation"].toInt(), 1);
    EXPECT_LT(turned["width"].toInt(), turned["height"].toInt());
    for (const auto& s : slides)
        EXPECT_TRUE(s.toObject()["ready"].toBool());
    EXPECT_TRUE(next.harness->said("COPY KEPT"));
    EXPECT_TRUE(next.harness->said("CLEAN EXIT")) << "an orderly end leaves nothing to recover";
    EXPECT_FALSE(QFileInfo::exists(storyrecovery::asideFolder(home.path())));

    // Nothing is offered after an orderly end.
    EXPECT_FALSE(restart(home.path(), "restore").harness->said("ASKED Restore the unsaved Pictorelle?"));
}

TEST(RecoveryAfterAKill, GivenAProgramKilledWhileRecording_ThenTheTakeComesBackAsFarAsTheDiskHeldIt)
{
    TempFolder home;
    killWhile(home.path(), "record");

    const QJsonArray slides = restart(home.path(), "restore").story["slides"].toArray();
    ASSERT_EQ(slides.size(), 3);
    const QJsonObject recorded = slides[1].toObject();
    EXPECT_TRUE(recorded["has_narration"].toBool());
    EXPECT_GE(recorded["wav_bytes"].toInteger(), 3 * 44100);
    EXPECT_GE(recorded["duration"].toInt(), 3);
    EXPECT_EQ(recorded["duration"].toInt(), (recorded["wav_bytes"].toInteger() + 44099) / 44100)
        << "the length is the audio the take holds";
    EXPECT_FALSE(slides[0].toObject()["has_narration"].toBool());
}

TEST(RecoveryAfterAKill, GivenTheRestoreDeclined_ThenTheCopyAndItsMediaAreGone)
{
    TempFolder home;
    killWhile(home.path(), "edit");

    const Restart next = restart(home.path(), "decline");
    EXPECT_TRUE(next.harness->said("ASKED Restore the unsaved Pictorelle?"));
    EXPECT_TRUE(next.story["slides"].toArray().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(storyrecovery::fileIn(home.path() + "temp/")));
    EXPECT_TRUE(QDir(home.path() + "temp/").entryList({"*.jpg", "*.wav"}, QDir::Files).isEmpty());
}

TEST(WorkingFolderSharing, GivenTheDesktopEditing_WhenTheCommandLineMakesAStory_ThenTheDesktopsMediaStay)
{
    TempFolder home;
    Harness desktop(home.path(), "edit");
    ASSERT_TRUE(desktop.waitForLine(QStringLiteral("READY")).has_value()) << desktop.errors().toStdString();
    const QStringList before = QDir(home.path() + "temp/").entryList(QDir::Files);
    ASSERT_TRUE(before.contains("recovery.sld"));

    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString picture = home.file("cli.png");
    image.save(picture);
    QProcess cli;
    cli.start(QStringLiteral(PICTORELLE_CLI), {"--home", home.path(), "new", "--title", "Other", "--slide", picture});
    ASSERT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();

    const QStringList after = QDir(home.path() + "temp/").entryList(QDir::Files);
    for (const QString& name : before)
        EXPECT_TRUE(after.contains(name)) << name.toStdString() << " of the running program was removed";
    desktop.killHard();
}
