#include "publish/replies.h"

#include <gtest/gtest.h>

namespace {

TEST(VerifyReplyTest, TheSuccessFormAndItsBoundaries)
{
    const VerifyReply ok = parseVerifyReply("OKAY,AbCd1234,http://h/up");
    ASSERT_TRUE(ok.ok);
    EXPECT_EQ(ok.code, "AbCd1234");
    EXPECT_EQ(ok.address, "http://h/up");

    EXPECT_FALSE(parseVerifyReply("OKAY,AbCd1234,http:/").ok); // 20 bytes
    const VerifyReply shortest = parseVerifyReply("OKAY,AbCd1234,http://");
    EXPECT_TRUE(shortest.ok); // 21 bytes: a 7-byte address
    EXPECT_EQ(shortest.address.size(), 7);

    const QByteArray longAddress = "http://" + QByteArray(120, 'a');
    EXPECT_TRUE(parseVerifyReply("OKAY,AbCd1234," + longAddress).ok); // an address of 127 bytes fits
    EXPECT_FALSE(parseVerifyReply("OKAY,AbCd1234," + longAddress + "a").ok);
    EXPECT_FALSE(parseVerifyReply("OKAY,AbCd1234,ftp://example/x").ok);
}

TEST(VerifyReplyTest, FailuresShowTheServiceSentence)
{
    const VerifyReply bad = parseVerifyReply("Wrong user name or password.");
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.failureText, "Wrong user name or password.");
    EXPECT_EQ(parseVerifyReply(QByteArray(300, 'x')).failureText.size(), 99);
    EXPECT_EQ(parseVerifyReply("").failureText, "");
    EXPECT_EQ(parseVerifyReply("caf\xC3\xA9 \xFF").failureText, QString::fromUtf8("café \xEF\xBF\xBD"));
}

TEST(UploadReplyTest, Grammar)
{
    EXPECT_EQ(parseUploadReply("OKAY=1234").uniqueId, 1234);
    EXPECT_TRUE(parseUploadReply("OKAY=1234").success);
    const UploadReply embedded = parseUploadReply("xxOKAY=77 done");
    EXPECT_TRUE(embedded.success);
    EXPECT_EQ(embedded.uniqueId, 77);
    EXPECT_FALSE(parseUploadReply("OKAY=").success); // not longer than 5 bytes
    EXPECT_TRUE(parseUploadReply("OKAY=x").success);
    EXPECT_EQ(parseUploadReply("OKAY=x").uniqueId, 0);

    const UploadReply fail = parseUploadReply("FAIL=BADCODE 2");
    EXPECT_FALSE(fail.success);
    EXPECT_EQ(fail.errorWord, "BADCODE");
    EXPECT_EQ(parseUploadReply("some error page").errorWord, "");
    EXPECT_FALSE(parseUploadReply("").success);
}

TEST(UploadReplyTest, IdsBeyondRangeFailWithoutAWord)
{
    EXPECT_TRUE(parseUploadReply("OKAY=2147483647").success);
    EXPECT_FALSE(parseUploadReply("OKAY=2147483648").success);
    EXPECT_FALSE(parseUploadReply("OKAY=12345678901234567890").success);
    EXPECT_EQ(parseUploadReply("OKAY=12345678901234567890").errorWord, "");
}

} // namespace
