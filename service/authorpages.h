#pragma once

#include "servicecontext.h"
#include "visitor.h"

#include <httplib.h>

#include <optional>

//! The pages of a logged-in author: "My stories" and deleting a story. Without a session they
//! send the browser to the log-in page.
namespace authorpages {

//! GET "/mine": the visitor's stories (title linked to the story's page, type, slides, date),
//! each with a Delete button.
void mine(const std::optional<Visitor>& visitor, const ServiceContext& context, const httplib::Request& request,
          httplib::Response& response);

//! GET "/delete?cid=N": asks the story's author to confirm; 403 for someone else's story.
void confirmDelete(const std::optional<Visitor>& visitor, const ServiceContext& context,
                   const httplib::Request& request, httplib::Response& response);

//! POST "/delete" with "cid" and the session's "csrf": deletes the author's story, its slides
//! and its media files, then sends the browser back to "My stories".
void deleteStory(const ServiceContext& context, const httplib::Request& request, httplib::Response& response,
                 const httplib::ContentReader& reader);

} // namespace authorpages
