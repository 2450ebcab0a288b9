#pragma once

#include "categorynames.h"
#include "database.h"
#include "mediastore.h"

#include <string>

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
};
