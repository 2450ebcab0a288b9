#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class Story;
class UserAccount;

//! One part of a multipart form: a text value, or a file sent under its own name.
struct FormPart
{
    QByteArray name;
    QByteArray value;       //!< text parts: UTF-8, no terminator
    QString filePath;       //!< file parts: read from disk while the request is sent
    QByteArray contentType; //!< file parts only

    bool isFile() const { return !filePath.isEmpty(); }
};

using Form = QList<FormPart>;

//! The version text sent to the service.
inline const QByteArray kServiceVersion = QByteArrayLiteral("1.0");

//! The verify request: version, num_slides (pictures: the count; podcasts: 1; other types:
//! left out), cusername, cpassword (the stored digest).
Form buildVerifyForm(const Story& story, const UserAccount& account);

//! The upload request: the ten common parts, then per picture slide description, tag, photo,
//! thumb, audio and audio length; for a podcast the one MP3, its length and the transcript.
Form buildUploadForm(const Story& story, const UserAccount& account, const QByteArray& verifyCode);
