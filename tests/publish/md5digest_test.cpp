#include "publish/md5digest.h"

#include <gtest/gtest.h>

TEST(Md5Digest, GivenRfc1321TestSuiteOrBytesWithZeros_WhenDigested_ThenTextsMatchTheAppendix)
{
    const std::pair<QByteArray, QString> suite[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [input, expected] : suite) {
        EXPECT_EQ(Md5Digest(input).text(), expected) << input.constData();
        EXPECT_EQ(Md5Digest(input.constData(), input.size()).text(), expected) << input.constData();
    }
    // Exactly the bytes of the given length count, zeros included.
    const char bytes[] = {'a', 'b', 'c', '\0', 'x'};
    EXPECT_EQ(Md5Digest(bytes, 3).text(), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_NE(Md5Digest(bytes, 5).text(), Md5Digest(bytes, 3).text());
    EXPECT_EQ(Md5Digest(nullptr, 0).text(), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(PasswordDigest, GivenPasswords_ThenTheDigestIsTheUnsaltedMd5OfEveryOneOfTheirUtf8Bytes)
{
    EXPECT_EQ(passwordDigest("password"), "5f4dcc3b5aa765d61d8327deb882cf99");
    EXPECT_NE(passwordDigest("Password"), passwordDigest("password")) << "case sensitive";

    const QString password = QString::fromUtf8("Grüße李");
    EXPECT_EQ(passwordDigest(password), Md5Digest(QByteArray("Gr\xC3\xBC\xC3\x9F\x65\xE6\x9D\x8E")).text());
    EXPECT_NE(passwordDigest(password), Md5Digest(password.toLatin1()).text());
    // "ü" alone: MD5 of the two bytes C3 BC.
    EXPECT_EQ(passwordDigest(QString::fromUtf8("ü")), "c03410a5204b21cd8229ff754688d743");

    // Longer than 255 UTF-8 bytes: every byte still counts.
    const QString base(90, QChar(0x674E));
    EXPECT_NE(passwordDigest(base), passwordDigest(base + QChar(0x674E)));
    EXPECT_EQ(passwordDigest(base), Md5Digest(base.toUtf8()).text());
}
