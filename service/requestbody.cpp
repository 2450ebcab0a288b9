#include "requestbody.h"

#include "formcollector.h"

#include <chrono>

namespace requestbody {

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
    response.set_content(page, "text/html; charset=utf-8");
}

std::int64_t unixMillis()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

} // namespace requestbody
