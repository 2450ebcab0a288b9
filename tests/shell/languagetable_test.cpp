#include "shell/languagetable.h"

#include "tablefiles.h"

#include <gtest/gtest.h>

TEST(LanguageTable, GivenFileWhenLoadedThenNamesAreTakenWholeInFileOrder)
{
    bool opened = false;
    const LanguageTable table = languagesOf("1.0\r\n3\r\nEnglish\r\nFran\xE7"
                                            "ais, Canada\r\n Deutsch \r\n",
                                            &opened);
    EXPECT_TRUE(opened);
    EXPECT_EQ(table.names(), QStringList({"English", QString::fromUtf8("Français, Canada"), " Deutsch "}));
    EXPECT_EQ(table.name(1), QString::fromUtf8("Français, Canada"));
    EXPECT_TRUE(table.name(3).isEmpty());
}

TEST(LanguageTable, GivenAnnouncedCountsFromNoneToBeyondTheLimitWhenLoadedThenExactlyThatManyNamesAreRead)
{
    const struct
    {
        QByteArray bytes;
        int count;
        QStringList firstNames;
    } cases[] = {
        {"1.0\r\n3\r\nEnglish\r\nSpanish\r\n", 3, {"English", "Spanish", ""}}, // missing names are empty
        {"1.0\n2\nEnglish\nSpanish\nGerman\n", 2, {"English", "Spanish"}},     // lines beyond the count are not read
        {"1.0\r\n999\r\nEnglish\r\n", 999, {"English", ""}},
        {"1.0\r\n1000\r\nEnglish\r\n", 0, {}},
        {"1.0\r\n-4\r\nEnglish\r\n", 0, {}},
        {"1.0\r\n", 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.toStdString());
        bool opened = false;
        const LanguageTable table = languagesOf(c.bytes, &opened);
        EXPECT_TRUE(opened);
        EXPECT_EQ(table.count(), c.count);
        EXPECT_EQ(table.names().mid(0, c.firstNames.size()), c.firstNames);
    }
}

TEST(LanguageTable, GivenMissingFileWhenLoadedThenFalseAndNoNames)
{
    TempFolder temp;
    LanguageTable table;
    EXPECT_FALSE(table.load(temp.file("language.dat")));
    EXPECT_EQ(table.count(), 0);
}
