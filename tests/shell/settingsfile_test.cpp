#include "shell/programsettings.h"
#include "shell/settingsfile.h"
#include "shell/useraccount.h"

#include "tempfolder.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

struct Loaded
{
    bool opened = false;
    ProgramSettings settings;
    UserAccount account;
};

Loaded loadBytes(const QByteArray& bytes)
{
    TempFolder temp;
    Loaded loaded;
    loaded.opened = SettingsFile::load(temp.write("pictorelle.ini", bytes), loaded.settings, loaded.account);
    return loaded;
}

Loaded roundTrip(const ProgramSettings& settings, const UserAccount& account, QByteArray* bytes = nullptr)
{
    TempFolder temp;
    const QString path = temp.file("pictorelle.ini");
    EXPECT_TRUE(SettingsFile::save(path, settings, account));
    if (bytes)
        *bytes = TempFolder::read(path);
    return loadBytes(TempFolder::read(path));
}

const QByteArray DefaultFile = "USERNAME=\r\nPASSWORD=\r\nLANGUAGEID=0\r\nLANGUAGETEXT=English\r\n"
                               "REMEMBER_PASSWORD=0\r\nX=0\r\nY=0\r\nWIDTH=800\r\nHEIGHT=600\r\n"
                               "LANGUAGE=English\r\nHIDE_CLEAR_AUDIO=0\r\nHIDE_RECORD_OVER_AUDIO=0\r\n"
                               "X_CUE=0\r\nY_CUE=0\r\nADD_PHOTO_PATH=\r\nINPUT_DEVICE=\r\nEVEN_LOUDNESS=1\r\n";

} // namespace

TEST(SettingsFileSave, GivenDefaultRecordsWhenSavedThenSeventeenLinesInOrderWithCrLf)
{
    QByteArray bytes;
    roundTrip(ProgramSettings(), UserAccount(), &bytes);
    EXPECT_EQ(bytes, DefaultFile) << "a password never entered is written as an empty PASSWORD=";
}

TEST(SettingsFileSave, GivenFilledRecordsWhenSavedThenEveryValueIsWrittenInDecimalOrText)
{
    ProgramSettings settings;
    settings.setWindowX(-8);
    settings.setWindowY(31);
    settings.setWindowWidth(1280);
    settings.setWindowHeight(720);
    settings.setHideClearAudio(1);
    settings.setHideRecordOverAudio(1);
    settings.setCueX(400);
    settings.setCueY(-20);
    settings.setAddPhotoFolder("/home/me/Pictures");
    settings.setInputDevice("alsa_input.usb-Mic-00.analog-stereo");
    settings.setEvenLoudness(false);
    UserAccount account;
    account.setUserName("alice");
    account.setPassword("5f4dcc3b5aa765d61d8327deb882cf99");
    account.setLanguageId(2);
    account.setLanguageText("French");
    account.setRememberPassword(true);

    QByteArray bytes;
    const Loaded loaded = roundTrip(settings, account, &bytes);

    EXPECT_EQ(bytes, "USERNAME=alice\r\nPASSWORD=5f4dcc3b5aa765d61d8327deb882cf99\r\nLANGUAGEID=2\r\n"
                     "LANGUAGETEXT=French\r\nREMEMBER_PASSWORD=1\r\nX=-8\r\nY=31\r\nWIDTH=1280\r\nHEIGHT=720\r\n"
                     "LANGUAGE=French\r\nHIDE_CLEAR_AUDIO=1\r\nHIDE_RECORD_OVER_AUDIO=1\r\nX_CUE=400\r\nY_CUE=-20\r\n"
                     "ADD_PHOTO_PATH=/home/me/Pictures\r\nINPUT_DEVICE=alsa_input.usb-Mic-00.analog-stereo\r\n"
                     "EVEN_LOUDNESS=0\r\n");
    EXPECT_TRUE(loaded.opened);
    EXPECT_EQ(loaded.account.userName(), "alice");
    EXPECT_EQ(loaded.account.password(), "5f4dcc3b5aa765d61d8327deb882cf99");
    EXPECT_EQ(loaded.account.languageId(), 2);
    EXPECT_EQ(loaded.account.languageText(), "French");
    EXPECT_TRUE(loaded.account.rememberPassword());
    EXPECT_EQ(loaded.settings.windowX(), -8);
    EXPECT_EQ(loaded.settings.windowY(), 31);
    EXPECT_EQ(loaded.settings.windowWidth(), 1280);
    EXPECT_EQ(loaded.settings.windowHeight(), 720);
    EXPECT_EQ(loaded.settings.hideClearAudio(), 1);
    EXPECT_EQ(loaded.settings.hideRecordOverAudio(), 1);
    EXPECT_EQ(loaded.settings.cueX(), 400);
    EXPECT_EQ(loaded.settings.cueY(), -20);
    EXPECT_EQ(loaded.settings.addPhotoFolder(), "/home/me/Pictures");
    EXPECT_EQ(loaded.settings.inputDevice(), "alsa_input.usb-Mic-00.analog-stereo");
    EXPECT_FALSE(loaded.settings.evenLoudness());
}

TEST(SettingsFileLoad, GivenAnOlderFileWithoutTheDeviceAndLoudnessKeysWhenLoadedThenDefaultMicrophoneAndEvenLoudness)
{
    const Loaded loaded = loadBytes("X=3\r\nHIDE_CLEAR_AUDIO=1\r\n");
    EXPECT_EQ(loaded.settings.inputDevice(), QString());
    EXPECT_TRUE(loaded.settings.evenLoudness());
    EXPECT_EQ(loaded.settings.windowX(), 3);
    EXPECT_FALSE(loadBytes("EVEN_LOUDNESS=0\r\n").settings.evenLoudness());
    EXPECT_TRUE(loadBytes("EVEN_LOUDNESS=x\r\n").settings.evenLoudness()) << "an unreadable number changes nothing";
}

TEST(SettingsFileSave, GivenTextsBeyondLatin1OrHoldingLineBreaksTheMarkOrPercentWhenRoundTrippedThenTheyComeBackWhole)
{
    enum class Field {
        UserName,
        LanguageText,
        AddPhotoFolder
    };
    const struct
    {
        Field field;
        QString value;
        QByteArray line; // as written
    } cases[] = {
        // Latin-1 text is written one byte per character; anything else in the encoded form.
        {Field::UserName, QString::fromUtf8("José Müller ÿ"), "USERNAME=Jos\xE9 M\xFCller \xFF\r\n"},
        {Field::UserName, QString::fromUtf8("田中"), "USERNAME=\x01\xE7\x94\xB0\xE4\xB8\xAD\r\n"},
        {Field::AddPhotoFolder, QString::fromUtf8("/home/李/写真 2024"),
         "ADD_PHOTO_PATH=\x01/home/\xE6\x9D\x8E/\xE5\x86\x99\xE7\x9C\x9F%202024\r\n"},
        {Field::UserName, "eve\r\nX=999",
         "USERNAME=\x01"
         "eve%0D%0AX=999\r\n"},
        {Field::LanguageText, QString(QChar(0x0001)) + "100% sure", "LANGUAGETEXT=\x01%01100%25%20sure\r\n"},
        // Too long for one 1022-character line, so read whole.
        {Field::AddPhotoFolder, "/" + QString(1022, 'd'), "ADD_PHOTO_PATH=\x01/" + QByteArray(1022, 'd') + "\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.left(40).toStdString());
        ProgramSettings settings;
        UserAccount account;
        if (c.field == Field::UserName)
            account.setUserName(c.value);
        else if (c.field == Field::LanguageText)
            account.setLanguageText(c.value);
        else
            settings.setAddPhotoFolder(c.value);

        QByteArray bytes;
        const Loaded loaded = roundTrip(settings, account, &bytes);

        EXPECT_TRUE(bytes.contains(c.line));
        EXPECT_EQ(bytes.count("\r\n"), 17) << "no value breaks its line";
        EXPECT_EQ(c.field == Field::UserName       ? loaded.account.userName()
                  : c.field == Field::LanguageText ? loaded.account.languageText()
                                                   : loaded.settings.addPhotoFolder(),
                  c.value);
        EXPECT_EQ(loaded.settings.windowX(), 0) << "nothing leaks into other keys";
    }
}

TEST(SettingsFileSave, GivenSavedFileThenOnlyTheOwnerMayReadIt)
{
    TempFolder temp;
    const QString path = temp.write("pictorelle.ini", "X=1\r\n");
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                    QFileDevice::ReadOther);
    ASSERT_TRUE(SettingsFile::save(path, ProgramSettings(), UserAccount()));
    struct stat status
    {};
    ASSERT_EQ(stat(QFile::encodeName(path).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_EQ(TempFolder::read(path), DefaultFile);
}

TEST(SettingsFileSave, GivenFileThatCannotBeWrittenWhenSavedThenFalseAndOldFileIntact)
{
    TempFolder temp;
    // Writable under this name, but the temporary file beside it would exceed the name limit.
    const QString path = temp.write(QString(250, 'n'), "X=5\r\n");
    EXPECT_FALSE(SettingsFile::save(path, ProgramSettings(), UserAccount()));
    EXPECT_EQ(TempFolder::read(path), "X=5\r\n");

    const QString missing = temp.file("no/such/folder/pictorelle.ini");
    EXPECT_FALSE(SettingsFile::save(missing, ProgramSettings(), UserAccount()));
    EXPECT_FALSE(QFileInfo::exists(missing));
}

TEST(SettingsFileLoad, GivenNoFileOrAnEmptyOneWhenLoadedThenOnlyTheMissingFileCountsAsAFirstStart)
{
    TempFolder temp;
    ProgramSettings settings;
    settings.setWindowWidth(1024);
    UserAccount account;
    EXPECT_FALSE(SettingsFile::load(temp.file("pictorelle.ini"), settings, account));
    EXPECT_EQ(settings.windowWidth(), 1024) << "the records keep what they held";
    EXPECT_EQ(settings.windowHeight(), 600);
    EXPECT_EQ(account.languageText(), "English");

    EXPECT_TRUE(loadBytes(QByteArray()).opened);
}

TEST(SettingsFileLoad, GivenLanguageLineWhenLoadedThenOnlyLanguageTextCounts)
{
    EXPECT_EQ(loadBytes("LANGUAGE=German\r\n").account.languageText(), "English");
    const Loaded both = loadBytes("LANGUAGETEXT=Dutch\r\nLANGUAGE=German\r\nLANGUAGEID=6\r\n");
    EXPECT_EQ(both.account.languageText(), "Dutch");
    EXPECT_EQ(both.account.languageId(), 6);
}

TEST(SettingsFileLoad, GivenMalformedNumbersWhenLoadedThenThoseFieldsKeepTheirValues)
{
    const Loaded loaded = loadBytes("X=abc\r\nY=\r\nWIDTH=1100px\r\nHEIGHT= -3\r\nX_CUE=+7\r\n"
                                    "Y_CUE=99999999999\r\nHIDE_CLEAR_AUDIO=yes\r\nLANGUAGEID=x\r\n");
    EXPECT_EQ(loaded.settings.windowX(), 0);
    EXPECT_EQ(loaded.settings.windowY(), 0);
    EXPECT_EQ(loaded.settings.windowWidth(), 1100) << "digits followed by text read as a number";
    EXPECT_EQ(loaded.settings.windowHeight(), -3);
    EXPECT_EQ(loaded.settings.cueX(), 7);
    EXPECT_EQ(loaded.settings.cueY(), 0) << "beyond 32 bits does not parse";
    EXPECT_EQ(loaded.settings.hideClearAudio(), 0);
    EXPECT_EQ(loaded.account.languageId(), 0);
}

TEST(SettingsFileLoad, GivenRememberPasswordNumbersWhenLoadedThenAnyNonZeroSetsIt)
{
    EXPECT_TRUE(loadBytes("REMEMBER_PASSWORD=5\r\n").account.rememberPassword());
    EXPECT_FALSE(loadBytes("REMEMBER_PASSWORD=5\r\nREMEMBER_PASSWORD=0\r\n").account.rememberPassword());
    EXPECT_FALSE(loadBytes("REMEMBER_PASSWORD=on\r\n").account.rememberPassword());
}

TEST(SettingsFileLoad, GivenUnknownOrWrongCaseKeysWhenLoadedThenTheyAreIgnored)
{
    const Loaded loaded = loadBytes("[Settings]\r\nusername=bob\r\n X=5\r\nCOLOR=red\r\nUSERNAME=carol\r\n");
    EXPECT_EQ(loaded.account.userName(), "carol");
    EXPECT_EQ(loaded.settings.windowX(), 0);
}

TEST(SettingsFileLoad, GivenBareLineFeedsAndNoFinalLineEndWhenLoadedThenLastValueIsWhole)
{
    const Loaded loaded = loadBytes("USERNAME=dave\nX=100");
    EXPECT_EQ(loaded.account.userName(), "dave");
    EXPECT_EQ(loaded.settings.windowX(), 100);
}

TEST(SettingsFileLoad, GivenLinesOf1022CharactersAndLongerWhenLoadedThenTheFirstIsWholeAndTheRestAreCutWithoutTails)
{
    const QByteArray path = "/" + QByteArray(1006, 'p');
    EXPECT_EQ(loadBytes("ADD_PHOTO_PATH=" + path + "\r\n").settings.addPhotoFolder(), QString::fromLatin1(path));

    const Loaded loaded = loadBytes("ADD_PHOTO_PATH=" + path + "X=77\r\nY=5\r\n");
    EXPECT_EQ(loaded.settings.addPhotoFolder(), QString::fromLatin1(path));
    EXPECT_EQ(loaded.settings.windowX(), 0) << "the tail of a cut line matches no key";
    EXPECT_EQ(loaded.settings.windowY(), 5) << "the next line is read normally";
}

TEST(SettingsFileLoad, GivenEncodedValueLongerThanItsFieldWhenLoadedThenItIsCut)
{
    QByteArray line = "USERNAME=\x01";
    for (int i = 0; i < 300; ++i)
        line += "\xE7\x94\xB0";
    const Loaded loaded = loadBytes(line + "\r\nX=3\r\n");
    EXPECT_EQ(loaded.account.userName(), QString(255, QChar(0x7530)));
    EXPECT_EQ(loaded.settings.windowX(), 3);
}

TEST(SettingsFileLoad, GivenAddPhotoPathTwiceWhenLoadedThenTheLastFolderIsUsed)
{
    const Loaded loaded = loadBytes("ADD_PHOTO_PATH=/a\r\nADD_PHOTO_PATH=/b\r\nADD_PHOTO_PATH=\r\n");
    EXPECT_EQ(loaded.settings.addPhotoFolder(), "/b");
}

TEST(SettingsFileSave, GivenRecentStoriesWhenSavedThenOneLineEachFollowsTheLoudnessNewestFirst)
{
    ProgramSettings settings;
    settings.addRecentStory("/p/save/a/a.sld");
    settings.addRecentStory(QString::fromUtf8("/p/save/李/b.sld"));
    QByteArray bytes;
    const Loaded loaded = roundTrip(settings, UserAccount(), &bytes);
    EXPECT_EQ(bytes, DefaultFile + "RECENT_STORY=\x01/p/save/\xE6\x9D\x8E/b.sld\r\nRECENT_STORY=/p/save/a/a.sld\r\n");
    EXPECT_EQ(loaded.settings.recentStories(),
              QStringList({QString::fromUtf8("/p/save/李/b.sld"), QStringLiteral("/p/save/a/a.sld")}));
}

TEST(SettingsFileLoad, GivenRecentStoryLinesWhenLoadedThenTheirOrderIsKeptWithoutRepeatsAndAtMostEight)
{
    QByteArray bytes = "RECENT_STORY=/s/1.sld\r\nRECENT_STORY=\r\nRECENT_STORY=/s/1.sld\r\nX=4\r\n";
    for (int i = 2; i <= 10; ++i)
        bytes += "RECENT_STORY=/s/" + QByteArray::number(i) + ".sld\r\n";
    const Loaded loaded = loadBytes(bytes);
    const QStringList expected = {"/s/1.sld", "/s/2.sld", "/s/3.sld", "/s/4.sld",
                                  "/s/5.sld", "/s/6.sld", "/s/7.sld", "/s/8.sld"};
    EXPECT_EQ(loaded.settings.recentStories(), expected);
    EXPECT_EQ(loaded.settings.windowX(), 4) << "the list's lines may stand among the others";
    EXPECT_TRUE(loadBytes(DefaultFile).settings.recentStories().isEmpty());
}
