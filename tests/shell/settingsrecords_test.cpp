#include "shell/programsettings.h"
#include "shell/useraccount.h"

#include <gtest/gtest.h>

TEST(SettingsRecords, GivenOverlongTextsWhenSetThenCapacityMinusOneIsKept)
{
    UserAccount account;
    account.setUserName(QString(300, 'u'));
    account.setPassword(QString(300, 'p'));
    account.setLanguageText(QString(150, 'l'));
    EXPECT_EQ(account.userName(), QString(255, 'u'));
    EXPECT_EQ(account.password(), QString(255, 'p'));
    EXPECT_EQ(account.languageText(), QString(99, 'l'));

    ProgramSettings settings;
    settings.setAddPhotoFolder(QString(2000, 'f'));
    settings.setProgramFolder(QString(2000, 'g'));
    EXPECT_EQ(settings.addPhotoFolder(), QString(1023, 'f'));
    EXPECT_EQ(settings.programFolder(), QString(1023, 'g'));
}

TEST(SettingsRecords, GivenSurrogatePairAtTheCutWhenSetThenPairIsNotSplit)
{
    UserAccount account;
    account.setLanguageText(QString(98, 'a') + QString::fromUcs4(U"\U0001F600"));
    EXPECT_EQ(account.languageText(), QString(98, 'a'));
}

TEST(SettingsRecords, GivenEmptyTextWhenSetThenAccountFieldEmptiesButPhotoFolderStays)
{
    UserAccount account;
    account.setUserName("bob");
    account.setUserName(QString());
    EXPECT_TRUE(account.userName().isEmpty());

    ProgramSettings settings;
    settings.setAddPhotoFolder("/home/me/Pictures");
    settings.setAddPhotoFolder(QString());
    EXPECT_EQ(settings.addPhotoFolder(), "/home/me/Pictures");
}

TEST(SettingsRecords, GivenStoriesSavedOrOpenedWhenAddedThenNewestFirstEachOnceAndAtMostEight)
{
    ProgramSettings settings;
    for (int i = 1; i <= 10; ++i)
        settings.addRecentStory(QStringLiteral("/s/%1.sld").arg(i));
    EXPECT_EQ(settings.recentStories(), QStringList({"/s/10.sld", "/s/9.sld", "/s/8.sld", "/s/7.sld", "/s/6.sld",
                                                     "/s/5.sld", "/s/4.sld", "/s/3.sld"}));
    settings.addRecentStory("/s/5.sld");
    EXPECT_EQ(settings.recentStories(), QStringList({"/s/5.sld", "/s/10.sld", "/s/9.sld", "/s/8.sld", "/s/7.sld",
                                                     "/s/6.sld", "/s/4.sld", "/s/3.sld"}))
        << "a story opened again moves to the front instead of standing twice";
    settings.removeRecentStory("/s/9.sld");
    EXPECT_EQ(settings.recentStories().size(), 7);
    EXPECT_FALSE(settings.recentStories().contains("/s/9.sld"));
    settings.addRecentStory(QString());
    settings.addRecentStory(QString(ProgramSettings::FolderCapacity, QLatin1Char('a')));
    EXPECT_EQ(settings.recentStories().size(), 7) << "an empty or over-long path is not kept";
}
