#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

struct sqlite3;

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
