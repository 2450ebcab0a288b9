#include "publish/curlserviceclient.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>

#include <curl/curl.h>

#include <memory>

Q_LOGGING_CATEGORY(lcService, "pictorelle.service")

namespace {

struct Transfer
{
    QByteArray reply;
    const ServiceClient::Progress* progress = nullptr;
    long stallSeconds = 60;
    curl_off_t lastCount = -1;
    QElapsedTimer sinceProgress;
    bool stalled = false;
};

size_t collectReply(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    t->reply.append(data, qsizetype(size * count));
    return size * count;
}

int reportProgress(void* user, curl_off_t, curl_off_t downloaded, curl_off_t uploadTotal, curl_off_t uploaded)
{
    auto* t = static_cast<Transfer*>(user);
    if (t->progress && *t->progress && !(*t->progress)(qint64(uploaded), qint64(uploadTotal)))
        return 1; // aborts the transfer
    // libcurl calls this at least once a second, also while nothing moves.
    const curl_off_t count = downloaded + uploaded;
    if (count != t->lastCount) {
        t->lastCount = count;
        t->sinceProgress.restart();
    } else if (t->sinceProgress.elapsed() > t->stallSeconds * 1000) {
        t->stalled = true;
        return 1;
    }
    return 0;
}

struct EasyDeleter
{
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};

struct MimeDeleter
{
    void operator()(curl_mime* m) const { curl_mime_free(m); }
};

} // namespace

ServiceClient::Result CurlServiceClient::post(const QByteArray& url, const Form& form, const Progress& progress)
{
    Result result;
    std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());
    if (!curl) {
        result.error = QStringLiteral("The network library could not start.");
        return result;
    }
    std::unique_ptr<curl_mime, MimeDeleter> mime(curl_mime_init(curl.get()));
    for (const FormPart& p : form) {
        curl_mimepart* part = curl_mime_addpart(mime.get());
        curl_mime_name(part, p.name.constData());
        if (p.isFile()) {
            // Sent under the file's own name; libcurl reads it from disk while sending.
            curl_mime_filedata(part, QFile::encodeName(p.filePath).constData());
            curl_mime_type(part, p.contentType.constData());
        } else {
            curl_mime_data(part, p.value.constData(), size_t(p.value.size()));
        }
    }

    Transfer transfer;
    transfer.progress = &progress;
    transfer.stallSeconds = m_stallSeconds;
    transfer.sinceProgress.start();
    char errorText[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.constData());
    curl_easy_setopt(curl.get(), CURLOPT_MIMEPOST, mime.get());
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, collectReply);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, reportProgress);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl.get(), CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);

    const CURLcode code = curl_easy_perform(curl.get());
    result.reply = transfer.reply;
    if (code == CURLE_OK) {
        result.transportOk = true;
    } else {
        result.error = QString::fromUtf8(errorText[0] ? errorText : curl_easy_strerror(code));
        if (transfer.stalled)
            result.error = QStringLiteral("The transfer stalled: nothing moved for %1 seconds.").arg(m_stallSeconds);
        qCWarning(lcService) << "error2:" << result.error;
    }
    return result;
}
