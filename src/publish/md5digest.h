#pragma once

#include <QByteArray>
#include <QString>

//! MD5 digest (RFC 1321) of a byte string, as sent to the service for the password.
class Md5Digest
{
public:
    Md5Digest(const char* bytes, qsizetype length);
    explicit Md5Digest(const QByteArray& bytes);

    //! The 16 digest bytes as 32 lower-case hexadecimal digits, in byte order.
    QString text() const { return m_text; }

private:
    QString m_text;
};

//! The stored form of a typed password: the digest of all its UTF-8 bytes, however long.
//! An empty password gives the digest of no bytes; the account keeps an empty field instead.
QString passwordDigest(const QString& password);
