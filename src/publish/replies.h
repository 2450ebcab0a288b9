#pragma once

#include <QByteArray>
#include <QString>

//! The verify reply: "OKAY," + 8-byte code + separator + upload address, or a sentence.
struct VerifyReply
{
    bool ok = false;
    QByteArray code;     //!< 8 bytes as received
    QByteArray address;  //!< where the upload goes
    QString failureText; //!< the reply shown to the user when not ok, at most 99 characters
};

//! The upload reply: "OKAY=<id>" anywhere, else "FAIL=<WORD>", else a failure without word.
struct UploadReply
{
    bool success = false;
    int uniqueId = 0;  //!< the digits after "OKAY=" (0 when there are none)
    QString errorWord; //!< the letters after "FAIL=", at most 99 characters
};

//! Longest upload address the client keeps.
constexpr int MaxUploadAddress = 127;

//! A reply shorter than 21 bytes, not starting with "OKAY,", with an address longer than
//! 127 bytes or one that is no http(s) address fails, its text shown.
VerifyReply parseVerifyReply(const QByteArray& reply);

//! An id of more than 19 digits or beyond the 32-bit range is a failure without an error word.
UploadReply parseUploadReply(const QByteArray& reply);

//! A service text for the user: UTF-8 with invalid bytes replaced, cut to 99 characters.
QString serviceText(const QByteArray& bytes);
