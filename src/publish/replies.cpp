#include "publish/replies.h"

#include "story/text.h"

#include <QStringDecoder>

QString serviceText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    return text::cut(utf8.decode(bytes), 100);
}

VerifyReply parseVerifyReply(const QByteArray& reply)
{
    VerifyReply r;
    if (reply.size() >= 21 && reply.startsWith("OKAY,")) {
        const QByteArray address = reply.mid(14);
        const bool web = address.startsWith("http://") || address.startsWith("https://");
        if (address.size() <= MaxUploadAddress && web) {
            r.ok = true;
            r.code = reply.mid(5, 8);
            r.address = address;
            return r;
        }
    }
    r.failureText = serviceText(reply);
    return r;
}

UploadReply parseUploadReply(const QByteArray& reply)
{
    UploadReply r;
    if (reply.size() <= 5)
        return r;
    const qsizetype okay = reply.indexOf("OKAY=");
    if (okay >= 0) {
        qsizetype i = okay + 5;
        QByteArray digits;
        while (i < reply.size() && reply[i] >= '0' && reply[i] <= '9')
            digits += reply[i++];
        if (digits.size() > 19)
            return r;
        bool fits = true;
        const qlonglong id = digits.isEmpty() ? 0 : digits.toLongLong(&fits);
        if (!fits || id > std::numeric_limits<int>::max())
            return r;
        r.success = true;
        r.uniqueId = int(id);
        return r;
    }
    const qsizetype fail = reply.indexOf("FAIL=");
    if (fail >= 0) {
        qsizetype i = fail + 5;
        QByteArray word;
        while (i < reply.size() && ((reply[i] >= 'A' && reply[i] <= 'Z') || (reply[i] >= 'a' && reply[i] <= 'z')))
            word += reply[i++];
        r.errorWord = serviceText(word);
    }
    return r;
}
