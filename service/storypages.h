#pragma once

#include "servicecontext.h"

#include <httplib.h>

//! The pages that show published stories.
namespace storypages {

//! "/": every story, latest publication first, each linking to its page.
void index(const ServiceContext& context, httplib::Response& response);

//! "/?page=detail&cid=N": plays the story; a 404 page for an unknown or malformed id.
void detail(const ServiceContext& context, const httplib::Request& request, httplib::Response& response);

//! The 404 page.
void notFound(httplib::Response& response);

} // namespace storypages
