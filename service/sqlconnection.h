#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

struct sqlite3;

//! A failed SQLite call; caught where a request is answered and turned into a server error.
class SqlError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

//! One SQLite connection. Used by one thread at a time; each request opens its own.
class SqlConnection
{
public:
    //! Opens (creating) the file; waits up to 30 s for other writers instead of failing.
    explicit SqlConnection(const std::filesystem::path& file);
    ~SqlConnection();
    SqlConnection(const SqlConnection&) = delete;
    SqlConnection& operator=(const SqlConnection&) = delete;

    //! Runs statements without parameters (schema, pragmas, transaction control).
    void exec(const char* sql);
    sqlite3* handle() const { return m_db; }
    std::int64_t lastInsertId() const;
    //! Rows changed by the last INSERT, UPDATE or DELETE.
    int changes() const;

private:
    sqlite3* m_db = nullptr;
};
