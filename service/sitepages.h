#pragma once

#include "servicecontext.h"

#include <httplib.h>

//! The update check and the media files.
namespace sitepages {

//! "/?page=check&ver=1.0": whether a newer Pictorelle exists.
void check(const httplib::Request& request, httplib::Response& response);

//! "/media/<id>/<name>": a stored picture or MP3 with its content type; 404 for any other name.
void media(const ServiceContext& context, const httplib::Request& request, httplib::Response& response);

} // namespace sitepages
