#include "shell/programsettings.h"

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

Loaded roundTrip(const ProgramSettings& settings, const UserAccount& account, QByteArray* bytes = nullptr)
{
    TempFolder temp;
    const QString path = temp.file("pictorelle.ini");
    EXPECT_TRUE(SettingsFile::save(path, settings, account));
    if (bytes)
        *bytes = TempFolder::read(path);
    Loaded loaded;
    loaded.opened = SettingsFile::load(path, loaded.settings, loaded.account);
    return loaded;
}

const QByteArray DefaultFile = "USERNAME=\r\nPASSWORD=\r\nLANGUAGEID=0\r\nLANGUAGETEXT=English\r\n"
                               "REMEMBER_PASSWORD=0\r\nX=0\r\nY=0\r\nWIDTH=800\r\nHEIGHT=600\r\n"
                               "LANGUAGE=English\r\nHIDE_CLEAR_AUDIO=0\r\nHIDE_RECORD_OVER_AUDIO=0\r\n"
                               "X_CUE=0\r\nY_CUE=0\r\nADD_PHOTO_PATH=\r\n";

} // namespace

TEST(SettingsFileSave, GivenDefaultRecordsWhenSavedThenFifteenLinesInOrderWithCrLf)
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
                     "ADD_PHOTO_PATH=/home/me/Pictures\r\n");
    EXPECT_TRUE(loaded.opened);
    EXPECT_EQ(loaded.account.userName(), "alice");
    EXPECT_EQ(loaded.account.password(), "5f4dcc3b5aa765d61d8327deb882cf99");
    EXPECT_EQ(loaded.account.languageId(), 2);
    EXPECT_EQ(loaded.account.languageText(), "French");
    EXPECT_TRUE(loaded.account.rememberPassword());
    EXPECT_EQ(loaded.settings.windowX(), -8);
    EXPECT_EQ(loaded.settings.windowHeight(), 720);
    EXPECT_EQ(loaded.settings.hideClearAudio(), 1);
    EXPECT_EQ(loaded.settings.hideRecordOverAudio(), 1);
    EXPECT_EQ(loaded.settings.cueX(), 400);
    EXPECT_EQ(loaded.settings.cueY(), -20);
    EXPECT_EQ(loaded.settings.addPhotoFolder(), "/home/me/Pictures");
}

TEST(SettingsFileSave, GivenLatin1ValuesWhenSavedThenBytesAreOnePerCharacter)
{
    UserAccount account;
    account.setUserName(QString::fromUtf8("José Müller ÿ"));
    QByteArray bytes;
    const Loaded loaded = roundTrip(ProgramSettings(), account, &bytes);
    EXPECT_TRUE(bytes.startsWith("USERNAME=Jos\xE9 M\xFCller \xFF\r\nPASSWORD="));
    EXPECT_EQ(loaded.account.userName(), QString::fromUtf8("José Müller ÿ"));
}

TEST(SettingsFileSave, GivenCjkFolderWhenSavedAndLoadedThenItSurvivesInTheEncodedForm)
{
    ProgramSettings settings;
    settings.setAddPhotoFolder(QString::fromUtf8("/home/李/写真 2024"));
    UserAccount account;
    account.setUserName(QString::fromUtf8("田中"));
    QByteArray bytes;
    const Loaded loaded = roundTrip(settings, account, &bytes);
    EXPECT_TRUE(bytes.contains("USERNAME=\x01\xE7\x94\xB0\xE4\xB8\xAD\r\n"));
    EXPECT_TRUE(bytes.endsWith("ADD_PHOTO_PATH=\x01/home/\xE6\x9D\x8E/\xE5\x86\x99\xE7\x9C\x9F%202024\r\n"));
    EXPECT_EQ(loaded.settings.addPhotoFolder(), QString::fromUtf8("/home/李/写真 2024"));
    EXPECT_EQ(loaded.account.userName(), QString::fromUtf8("田中"));
}

TEST(SettingsFileSave, GivenLineBreaksMarkOrPercentInValuesWhenRoundTrippedThenNothingLeaksIntoOtherKeys)
{
    UserAccount account;
    account.setUserName("eve\r\nX=999");
    account.setLanguageText(QString(QChar(0x0001)) + "100% sure");
    QByteArray bytes;
    const Loaded loaded = roundTrip(ProgramSettings(), account, &bytes);
    EXPECT_TRUE(bytes.startsWith("USERNAME=\x01"
                                 "eve%0D%0AX=999\r\n"));
    EXPECT_TRUE(bytes.contains("LANGUAGETEXT=\x01%01100%25%20sure\r\n"));
    EXPECT_EQ(loaded.account.userName(), "eve\r\nX=999");
    EXPECT_EQ(loaded.account.languageText(), QString(QChar(0x0001)) + "100% sure");
    EXPECT_EQ(loaded.settings.windowX(), 0);
}

TEST(SettingsFileSave, GivenFolderTooLongForOneLineWhenRoundTrippedThenItIsKeptWhole)
{
    ProgramSettings settings;
    settings.setAddPhotoFolder("/" + QString(1022, 'd'));
    const Loaded loaded = roundTrip(settings, UserAccount());
    EXPECT_EQ(loaded.settings.addPhotoFolder(), "/" + QString(1022, 'd'));
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
