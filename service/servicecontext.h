#pragma once

#include "categorynames.h"
#include "database.h"
#include "loginlimiter.h"
#include "mediastore.h"

#include <string>
#include <vector>

//! What every request handler needs; built once at start and only read while serving.
struct ServiceContext
{
    //! Public base address without a trailing "/".
    std::string base;
    //! Seconds a verification code stays valid.
    int codeLifetime = 1800;
    Database database;
    MediaStore media;
    //! Names of the program's category numbers; empty when no category file was found.
    CategoryNames categories;
    //! How log-in attempts are held back after failures.
    LoginBackoff loginBackoff;
    //! Reverse proxies whose "X-Forwarded-For" names the client (--trusted-proxy).
    std::vector<std::string> trustedProxies;
};
