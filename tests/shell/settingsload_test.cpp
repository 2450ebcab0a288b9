#include "shell/programsettings.h"

#include "tempfolder.h"

#include <gtest/gtest.h>

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

} // namespace

TEST(SettingsFileLoad, GivenNoFileWhenLoadedThenFalseAndDefaultsStay)
{
    TempFolder temp;
    ProgramSettings settings;
    UserAccount account;
    EXPECT_FALSE(SettingsFile::load(temp.file("pictorelle.ini"), settings, account));
    EXPECT_EQ(settings.windowWidth(), 800);
    EXPECT_EQ(settings.windowHeight(), 600);
    EXPECT_EQ(account.languageText(), "English");
}

TEST(SettingsFileLoad, GivenOnlyThePlacementWhenLoadedThenSuccessAndEverythingElseDefault)
{
    const Loaded loaded = loadBytes("X=100\r\nY=50\r\nWIDTH=1024\r\nHEIGHT=768\r\n");
    EXPECT_TRUE(loaded.opened) << "an opened file means no first start";
    EXPECT_EQ(loaded.settings.windowX(), 100);
    EXPECT_EQ(loaded.settings.windowY(), 50);
    EXPECT_EQ(loaded.settings.windowWidth(), 1024);
    EXPECT_EQ(loaded.settings.windowHeight(), 768);
    EXPECT_EQ(loaded.settings.cueX(), 0);
    EXPECT_EQ(loaded.settings.hideClearAudio(), 0);
    EXPECT_TRUE(loaded.account.userName().isEmpty());
    EXPECT_TRUE(loaded.account.password().isEmpty());
    EXPECT_EQ(loaded.account.languageText(), "English");
}

TEST(SettingsFileLoad, GivenEmptyFileWhenLoadedThenStillOpened)
{
    EXPECT_TRUE(loadBytes(QByteArray()).opened);
}

TEST(SettingsFileLoad, GivenHideSwitchesWhenLoadedThenTheyAreReadBack)
{
    const Loaded loaded = loadBytes("HIDE_CLEAR_AUDIO=1\r\nHIDE_RECORD_OVER_AUDIO=1\r\n");
    EXPECT_EQ(loaded.settings.hideClearAudio(), 1);
    EXPECT_EQ(loaded.settings.hideRecordOverAudio(), 1);
}

TEST(SettingsFileLoad, GivenLanguageLineWhenLoadedThenOnlyLanguageTextCounts)
{
    EXPECT_EQ(loadBytes("LANGUAGE=German\r\n").account.languageText(), "English");
    const Loaded both = loadBytes("LANGUAGETEXT=Dutch\r\nLANGUAGE=German\r\nLANGUAGEID=6\r\n");
    EXPECT_EQ(both.account.languageText(), "Dutch");
    EXPECT_EQ(both.account.languageId(), 6);
}

TEST(SettingsFileLoad, GivenUserNameOf300CharactersWhenLoadedThenFirst255AreKept)
{
    const QString name = QString(255, 'a') + QString(45, 'b');
    const Loaded loaded = loadBytes("USERNAME=" + name.toLatin1() + "\r\n");
    EXPECT_EQ(loaded.account.userName(), QString(255, 'a'));
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

TEST(SettingsFileLoad, GivenLineOf1022CharactersWhenLoadedThenItIsReadWhole)
{
    const QByteArray path = "/" + QByteArray(1006, 'p');
    const Loaded loaded = loadBytes("ADD_PHOTO_PATH=" + path + "\r\n");
    EXPECT_EQ(loaded.settings.addPhotoFolder(), QString::fromLatin1(path));
}

TEST(SettingsFileLoad, GivenLongerLineWhenLoadedThenItIsCutAndItsTailMatchesNoKey)
{
    const QByteArray path = "/" + QByteArray(1006, 'p');
    const Loaded loaded = loadBytes("ADD_PHOTO_PATH=" + path + "X=77\r\nY=5\r\n");
    EXPECT_EQ(loaded.settings.addPhotoFolder(), QString::fromLatin1(path));
    EXPECT_EQ(loaded.settings.windowX(), 0);
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
