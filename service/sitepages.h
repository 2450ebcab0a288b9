#pragma once

#include "servicecontext.h"

#include <httplib.h>

//! The update check, the media files, browsing by category and searching.
namespace sitepages {

//! Stories in one page of a category's list or of search results.
constexpr int PageSize = 20;

//! "/browse": the categories with their story counts (sub-categories included);
//! "/browse?category=N[&page=P]": the category's sub-categories and its stories, and those of
//! its sub-categories, latest first; 404 for a category that is neither known nor used.
void browse(const ServiceContext& context, const httplib::Request& request, httplib::Response& response);

//! "/search?q=WORDS[&by=title|tags][&page=P]": the stories whose title or tags (the story's or
//! a slide's) contain the words, ignoring case, latest first; without words just the form.
void search(const ServiceContext& context, const httplib::Request& request, httplib::Response& response);

//! "/?page=check&ver=1.0": whether a newer Pictorelle exists.
void check(const httplib::Request& request, httplib::Response& response);

//! "/media/<id>/<name>": a stored picture or MP3 with its content type; 404 for any other name.
void media(const ServiceContext& context, const httplib::Request& request, httplib::Response& response);

} // namespace sitepages
