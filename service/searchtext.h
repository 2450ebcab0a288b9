#pragma once

#include "sqlconnection.h"

#include <string>
#include <string_view>

//! Case-insensitive substring search of titles and tags in SQL.
namespace searchtext {

//! Name of the SQL function addFoldFunction() adds: fold(text) is text case-folded.
constexpr const char* FoldFunction = "pictorelle_fold";

//! Valid UTF-8 text with every letter case-folded ("Été" and "ÉTÉ" both become "été");
//! bytes that are not valid UTF-8 are left as they are.
std::string fold(std::string_view utf8);

//! A LIKE pattern with escape character '\' matching any text that contains words literally:
//! '%', '_' and '\' in words match only themselves.
std::string containsPattern(std::string_view words);

//! Adds FoldFunction to an SQLite connection (again is harmless); a PostgreSQL database has it
//! from Database::prepare().
void addFoldFunction(SqlConnection& connection);

} // namespace searchtext
