#include "eventually.h"
#include "pictures/pictureimporter.h"
#include "shell/storyrecovery.h"
#include "story/linereader.h"
#include "story/story.h"
#include "tempfolder.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

//! A wave as the recorder leaves it when killed: sizes declared up to `declared`, samples after.
QByteArray cutShortWave(quint32 declared, quint32 present)
{
    QByteArray wav = "RIFF" + le32(36 + declared) + "WAVEfmt " + le32(16);
    wav += QByteArray::fromHex("01000100225600004458010002001000");
    wav += "data" + le32(declared);
    wav += QByteArray(int(present), '\x11');
    return wav;
}

struct RecoveryFixture : ::testing::Test
{
    TempFolder home;
    PictureImporter importer;
    std::unique_ptr<Story> story = std::make_unique<Story>(home.path(), &importer);

    QString picture(const QString& name)
    {
        QImage image(120, 80, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        const QString path = home.file(name);
        image.save(path);
        return path;
    }

    Slide& addPicture(const QString& name)
    {
        auto slide = std::make_unique<Slide>(*story);
        slide->setSourcePicturePath(picture(name));
        Slide& added = *slide;
        EXPECT_TRUE(story->add(std::move(slide)));
        story->waitForImports();
        return added;
    }

    //! As a start after a crash does it: offered, taken, set aside, then into a fresh story.
    storyrecovery::Restored restartAndRestore()
    {
        const QString working = story->workingFolder();
        story.reset();
        const QString file = storyrecovery::offerAtStart(home.path(), working, [] { return true; });
        EXPECT_FALSE(file.isEmpty());
        story = std::make_unique<Story>(home.path(), &importer);
        return storyrecovery::restore(file, *story);
    }
};

} // namespace

TEST_F(RecoveryFixture, GivenATakeTheCrashCutShort_ThenItIsRepairedAndItsLengthIsTheAudioOnDisk)
{
    Slide& slide = addPicture("a.png");
    // 2.5 s reached the disk; the header had last been brought up to date at 2 s.
    QFile wav(slide.narrationWavPath());
    ASSERT_TRUE(wav.open(QIODevice::WriteOnly));
    wav.write(cutShortWave(88200, 110250 + 1));
    wav.close();
    slide.setHasNarration(true);
    slide.setRecording(true);
    story->setModified(true);
    ASSERT_TRUE(storyrecovery::write(*story, storyrecovery::fileIn(story->workingFolder())));

    const storyrecovery::Restored restored = restartAndRestore();
    ASSERT_TRUE(restored.ok);
    ASSERT_EQ(story->count(), 1);
    const Slide& back = *story->slideAt(0);
    EXPECT_TRUE(back.hasNarration());
    EXPECT_EQ(back.narrationLength(), 3);
    const QByteArray repaired = TempFolder::read(back.narrationWavPath());
    EXPECT_EQ(repaired.size(), 44 + 110250) << "the torn last frame goes";
    EXPECT_EQ(qFromLittleEndian<quint32>(repaired.constData() + 40), 110250u);
    EXPECT_EQ(qFromLittleEndian<quint32>(repaired.constData() + 4), 110250u + 36);
    // The set-aside copy stays until the restored story keeps a copy of its own.
    const QString aside = storyrecovery::asideFolder(home.path()) + "recovery.sld";
    EXPECT_TRUE(QFileInfo::exists(aside));
    storyrecovery::discard(home.path(), aside);
    EXPECT_FALSE(QFileInfo::exists(storyrecovery::asideFolder(home.path())));
}

TEST_F(RecoveryFixture, GivenCueTextThatLooksLikeTheTrailer_ThenOnlyTheRealTrailerCounts)
{
    Slide& slide = addPicture("a.png");
    slide.setCueText(QStringLiteral("R_SAVED_AS=/somewhere/else.sld\r\nR0_ROTATION=3\r\nR_CURRENT=7"));
    story->setStoryFilePath(home.path() + "save/x/x.sld");
    story->setModified(true);
    ASSERT_TRUE(storyrecovery::write(*story, storyrecovery::fileIn(story->workingFolder())));

    ASSERT_TRUE(restartAndRestore().ok);
    ASSERT_EQ(story->count(), 1);
    EXPECT_EQ(story->storyFilePath(), home.path() + "save/x/x.sld");
    EXPECT_EQ(story->slideAt(0)->rotation(), 0);
    EXPECT_EQ(story->slideAt(0)->cueText(),
              QStringLiteral("R_SAVED_AS=/somewhere/else.sld\r\nR0_ROTATION=3\r\nR_CURRENT=7"));
}

TEST_F(RecoveryFixture, GivenMediaNamedAlikeInOldAndNewIds_ThenEverySlideGetsItsOwnNarrationBack)
{
    // Slide ids 0..3 hold narrations of distinct sizes; after a restore the slides take ids
    // 1..4, so an old "2.wav" and a new "2.wav" are different takes.
    for (int i = 0; i < 4; ++i) {
        Slide& s = addPicture(QStringLiteral("p%1.png").arg(i));
        QFile wav(s.narrationWavPath());
        ASSERT_TRUE(wav.open(QIODevice::WriteOnly));
        wav.write(cutShortWave(44100 * quint32(i + 1), 44100 * quint32(i + 1)));
        wav.close();
        s.setHasNarration(true);
        s.setNarrationLength(i + 1);
        s.setCaption(QStringLiteral("slide %1").arg(i));
    }
    story->move(3, 0);
    story->setModified(true);
    ASSERT_TRUE(storyrecovery::write(*story, storyrecovery::fileIn(story->workingFolder())));

    ASSERT_TRUE(restartAndRestore().ok);
    ASSERT_EQ(story->count(), 4);
    const int expected[] = {4, 1, 2, 3};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(story->slideAt(i)->narrationLength(), expected[i]) << "slide " << i;
        EXPECT_EQ(QFileInfo(story->slideAt(i)->narrationWavPath()).size(), 44 + 44100 * expected[i]);
    }
}

TEST_F(RecoveryFixture, GivenTheKeeper_ThenTheCopyFollowsChangesAndGoesWithSavesAndAnOrderlyEnd)
{
    RecoveryKeeper keeper(*story);
    const QString copy = storyrecovery::fileIn(story->workingFolder());
    keeper.update();
    EXPECT_FALSE(QFileInfo::exists(copy)) << "nothing changed, nothing to recover";

    addPicture("a.png");
    story->setTitle(QStringLiteral("Kept"));
    story->setModified(true);
    EXPECT_EVENTUALLY_WITHIN(QFileInfo::exists(copy), 2000);
    EXPECT_TRUE(fromUtf16Le(TempFolder::read(copy)).startsWith("SC_TITLE=Kept\n"));

    story->setTitle(QStringLiteral("Changed"));
    EXPECT_EVENTUALLY_WITHIN(fromUtf16Le(TempFolder::read(copy)).startsWith("SC_TITLE=Changed\n"), 2000);

    story->setModified(false); // saved
    EXPECT_EVENTUALLY_WITHIN(!QFileInfo::exists(copy), 2000);

    story->setModified(true);
    keeper.update();
    ASSERT_TRUE(QFileInfo::exists(copy));
    keeper.discard();
    EXPECT_FALSE(QFileInfo::exists(copy));
}
