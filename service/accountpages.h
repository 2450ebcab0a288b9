#pragma once

#include "servicecontext.h"

#include <httplib.h>

//! The sign-up page "/?page=login" that the program's "New User" button opens.
namespace accountpages {

//! GET: the form asking for a user name and a password.
void signUpForm(httplib::Response& response);

//! POST: stores the user (password kept only as its MD5 digest) and confirms, or shows the
//! form again with the reason.
void signUp(const ServiceContext& context, httplib::Response& response, const httplib::ContentReader& reader);

} // namespace accountpages
