#pragma once

#include <httplib.h>

#include <string>
#include <vector>

//! The address a request comes from. Behind a reverse proxy every connection comes from the
//! proxy; when its address is one of trustedProxies, the client is the right-most address of
//! "X-Forwarded-For" that is not itself a trusted proxy. The header of any other peer is
//! ignored, so a client cannot choose the address its failed log-ins are counted under.
std::string clientAddress(const httplib::Request& request, const std::vector<std::string>& trustedProxies);

//! Whether text is an IPv4 or IPv6 address in numeric form.
bool isNumericAddress(const std::string& text);
