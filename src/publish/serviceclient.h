#pragma once

#include "publish/uploadform.h"

#include <QByteArray>
#include <QString>

#include <functional>

//! Sends one multipart POST to the web service. The real one is libcurl; tests use fakes.
class ServiceClient
{
public:
    struct Result
    {
        bool transportOk = false; //!< the request went through and a reply came back
        QByteArray reply;         //!< the whole reply body
        QString error;            //!< what went wrong in transport, for the user
    };

    //! Sent bytes and total bytes to send (0 while unknown). Return false to abort at once.
    using Progress = std::function<bool(qint64 sent, qint64 total)>;

    virtual ~ServiceClient() = default;
    //! Blocks until the request ends; called on a worker thread.
    virtual Result post(const QByteArray& url, const Form& form, const Progress& progress) = 0;
};
