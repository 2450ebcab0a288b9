#include "shell/languagetable.h"

#include "tempfolder.h"

#include <gtest/gtest.h>

namespace {

LanguageTable loadTable(const QByteArray& bytes, bool* opened = nullptr)
{
    TempFolder temp;
    LanguageTable table;
    const bool ok = table.load(temp.write("language.dat", bytes));
    if (opened)
        *opened = ok;
    return table;
}

} // namespace

TEST(LanguageTable, GivenFileWhenLoadedThenNamesAreTakenWholeInFileOrder)
{
    bool opened = false;
    const LanguageTable table = loadTable("1.0\r\n3\r\nEnglish\r\nFran\xE7"
                                          "ais, Canada\r\n Deutsch \r\n",
                                          &opened);
    EXPECT_TRUE(opened);
    EXPECT_EQ(table.names(), QStringList({"English", QString::fromUtf8("Français, Canada"), " Deutsch "}));
    EXPECT_EQ(table.name(1), QString::fromUtf8("Français, Canada"));
    EXPECT_TRUE(table.name(3).isEmpty());
}

TEST(LanguageTable, GivenFewerNamesThanAnnouncedWhenLoadedThenMissingNamesAreEmpty)
{
    const LanguageTable table = loadTable("1.0\r\n3\r\nEnglish\r\nSpanish\r\n");
    EXPECT_EQ(table.names(), QStringList({"English", "Spanish", ""}));
}

TEST(LanguageTable, GivenMoreLinesThanAnnouncedWhenLoadedThenOnlyTheAnnouncedAreRead)
{
    const LanguageTable table = loadTable("1.0\n2\nEnglish\nSpanish\nGerman\n");
    EXPECT_EQ(table.names(), QStringList({"English", "Spanish"}));
}

TEST(LanguageTable, GivenCountOfAThousandOrMoreWhenLoadedThenNoNamesAreRead)
{
    EXPECT_EQ(loadTable("1.0\r\n1000\r\nEnglish\r\n").count(), 0);
    EXPECT_EQ(loadTable("1.0\r\n999\r\nEnglish\r\n").count(), 999);
    EXPECT_EQ(loadTable("1.0\r\n-4\r\nEnglish\r\n").count(), 0);
    EXPECT_EQ(loadTable("1.0\r\n").count(), 0);
}

TEST(LanguageTable, GivenMissingFileWhenLoadedThenFalseAndNoNames)
{
    TempFolder temp;
    LanguageTable table;
    EXPECT_FALSE(table.load(temp.file("language.dat")));
    EXPECT_EQ(table.count(), 0);
}
