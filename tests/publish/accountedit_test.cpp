#include "publish/accountedit.h"
#include "publish/md5digest.h"
#include "shell/useraccount.h"

#include <gtest/gtest.h>

namespace {

const QStringList kLanguages{"English", "Deutsch", "Français"};

TEST(AccountEditTest, TypedPasswordBecomesItsDigestAndTheUntouchedDigestStays)
{
    UserAccount account;
    applyAccountFields(account, {"alice", "secret", true, 2}, kLanguages);
    EXPECT_EQ(account.userName(), "alice");
    EXPECT_EQ(account.password(), "5ebe2294ecd0e0f08eab7690d2a6ee69"); // MD5 of "secret"
    EXPECT_TRUE(account.rememberPassword());
    EXPECT_EQ(account.languageId(), 2);
    EXPECT_EQ(account.languageText(), "Français");

    // Reopened: the masked field shows the digest; OK without touching it keeps it.
    applyAccountFields(account, {"alice", account.password(), false, -1}, kLanguages);
    EXPECT_EQ(account.password(), "5ebe2294ecd0e0f08eab7690d2a6ee69");
    EXPECT_EQ(account.languageText(), "Français"); // no selection keeps the language
    EXPECT_FALSE(account.rememberPassword());

    applyAccountFields(account, {"alice", "", false, 0}, kLanguages);
    EXPECT_EQ(account.password(), "");
}

TEST(AccountEditTest, NonAsciiPasswordsAreHashedOverUtf8AndNamesAreCut)
{
    UserAccount account;
    applyAccountFields(account, {QString(300, 'n'), QString::fromUtf8("pässwörd"), false, 7}, kLanguages);
    EXPECT_EQ(account.userName().size(), 254);
    EXPECT_EQ(account.password(), Md5Digest(QString::fromUtf8("pässwörd").toUtf8()).text());
    EXPECT_EQ(account.languageId(), 0); // index outside the list: unchanged
}

} // namespace
