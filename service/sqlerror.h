#pragma once

#include <stdexcept>

//! A failed database call; caught where a request is answered and turned into a server error.
class SqlError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
