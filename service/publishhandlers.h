#pragma once

#include "servicecontext.h"

#include <httplib.h>

//! The two requests the desktop program publishes with. Each runs on a server thread with a
//! database connection of its own.
namespace publishhandlers {

//! POST "/?action=verify": "OKAY," + 8-character code + "," + upload address, or one sentence
//! saying why not.
void verify(const ServiceContext& context, const httplib::Request& request, httplib::Response& response,
            const httplib::ContentReader& reader);

//! POST "/?action=upload": "OKAY=<id>" or "FAIL=<WORD>".
void upload(const ServiceContext& context, const httplib::Request& request, httplib::Response& response,
            const httplib::ContentReader& reader);

} // namespace publishhandlers
