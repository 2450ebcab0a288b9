#include "publish/md5digest.h"

#include <QCryptographicHash>

Md5Digest::Md5Digest(const char* bytes, qsizetype length)
    : Md5Digest(QByteArray::fromRawData(bytes ? bytes : "", bytes ? length : 0))
{}

Md5Digest::Md5Digest(const QByteArray& bytes)
    : m_text(QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex()))
{}

QString passwordDigest(const QString& password)
{
    return Md5Digest(password.toUtf8()).text();
}
