#pragma once

#include "publish/serviceclient.h"
#include "publish/uploadform.h"

#include <QByteArray>

//! libcurl with its multipart (mime) API. TLS certificates are verified as libcurl does by
//! default. A transfer that makes no progress for 60 s is aborted.
class CurlServiceClient : public ServiceClient
{
public:
    //! Seconds without progress before a transfer is given up.
    static constexpr long StallSeconds = 60;

    explicit CurlServiceClient(long stallSeconds = StallSeconds) : m_stallSeconds(stallSeconds) {}
    Result post(const QByteArray& url, const Form& form, const Progress& progress) override;

private:
    long m_stallSeconds;
};
