#pragma once

#include <httplib.h>

#include <string>

class FormCollector;

//! Reading request bodies through httplib's streaming reader, always to their end so the
//! reply reaches a client that is still sending.
namespace requestbody {

//! Reads a body of at most limit bytes into body; false when it was longer (the rest is dropped).
bool readText(const httplib::ContentReader& reader, std::size_t limit, std::string& body);

//! Streams a multipart body into form; false when the body is not a well-formed multipart
//! form or the collector stopped reading.
bool readForm(const httplib::Request& request, const httplib::ContentReader& reader, FormCollector& form);

//! Plain text reply with status 200: the publishing protocol's replies are their body.
void replyText(httplib::Response& response, const std::string& text);

//! HTML page reply.
void replyPage(httplib::Response& response, int status, const std::string& page);

//! Milliseconds since 1970, for code lifetimes.
std::int64_t unixMillis();

} // namespace requestbody
