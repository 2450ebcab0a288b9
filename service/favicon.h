#pragma once

#include <httplib.h>

#include <string_view>

//! The site's icon: a framed picture with a play sign, drawn as SVG.
namespace favicon {

//! The SVG document.
std::string_view svg();

//! The icon as "image/svg+xml", for "/favicon.svg" and the "/favicon.ico" browsers ask for unprompted.
void reply(httplib::Response& response);

} // namespace favicon
