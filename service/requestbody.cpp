#include "requestbody.h"

#include "formcollector.h"
#include "html.h"
#include "storypages.h"

#include <QCryptographicHash>

#include <chrono>

namespace requestbody {

namespace {

std::string sourceHash(std::string_view text)
{
    const QByteArray digest = QCryptographicHash::hash(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())),
                                                       QCryptographicHash::Sha256);
    return "'sha256-" + digest.toBase64().toStdString() + "'";
}

// The pages' only script and style are the player script and the style sheet, both inline:
// the policy allows exactly those two texts, the site's own pictures and sounds and forms
// sent to the site, and no framing.
const std::string& pagePolicy()
{
    static const std::string policy = "default-src 'none'; script-src " + sourceHash(storypages::playerScript()) +
                                      "; style-src " + sourceHash(html::styleSheet()) +
                                      "; img-src 'self'; media-src 'self'; form-action 'self'; base-uri 'none'; "
                                      "frame-ancestors 'none'";
    return policy;
}

} // namespace

bool readText(const httplib::ContentReader& reader, std::size_t limit, std::string& body)
{
    bool fits = true;
    const bool read = reader([&](const char* bytes, std::size_t length) {
        if (body.size() + length > limit)
            fits = false;
        else if (fits)
            body.append(bytes, length);
        return true;
    });
    return read && fits;
}

bool readForm(const httplib::Request& request, const httplib::ContentReader& reader, FormCollector& form)
{
    if (!request.is_multipart_form_data()) {
        reader([](const char*, std::size_t) { return true; });
        return false;
    }
    const bool read = reader([&](const httplib::MultipartFormData& part) { return form.header(part); },
                             [&](const char* bytes, std::size_t length) { return form.data(bytes, length); });
    form.finish();
    return read && !form.malformed();
}

void replyText(httplib::Response& response, const std::string& text)
{
    response.status = 200;
    response.set_content(text, "text/plain; charset=utf-8");
}

void replyPage(httplib::Response& response, int status, const std::string& page)
{
    response.status = status;
    response.set_header("Content-Security-Policy", pagePolicy());
    response.set_header("X-Frame-Options", "DENY");
    response.set_header("X-Content-Type-Options", "nosniff");
    response.set_content(page, "text/html; charset=utf-8");
}

std::int64_t unixMillis()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

} // namespace requestbody
