#pragma once

#include "servicecontext.h"

#include <httplib.h>

#include <string_view>

//! The pages that show published stories.
namespace storypages {

//! "/[?p=P]": the stories, latest publication first, each linking to its page; IndexPageSize a
//! page. A page number that is not one shows the first page, one past the end the last.
void index(const ServiceContext& context, const httplib::Request& request, httplib::Response& response);

//! Stories on one page of the index.
constexpr int IndexPageSize = 20;

//! "/?page=detail&cid=N": plays the story; a 404 page for an unknown or malformed id.
void detail(const ServiceContext& context, const httplib::Request& request, httplib::Response& response);

//! The story page's player script, without its script tags.
std::string_view playerScript();

//! The 404 page.
void notFound(httplib::Response& response);

} // namespace storypages
