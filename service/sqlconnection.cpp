#include "sqlconnection.h"

#include "sqlerror.h"

#include <sqlite3.h>

namespace {

[[noreturn]] void fail(sqlite3* db, const char* what)
{
    throw SqlError(std::string(what) + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

} // namespace

SqlConnection::SqlConnection(const std::filesystem::path& file)
{
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(file.c_str(), &m_db, flags, nullptr) != SQLITE_OK) {
        const std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        m_db = nullptr;
        throw SqlError("cannot open " + file.string() + ": " + message);
    }
    sqlite3_busy_timeout(m_db, 30000);
    exec("PRAGMA foreign_keys = ON");
}

SqlConnection::~SqlConnection()
{
    sqlite3_close(m_db);
}

void SqlConnection::exec(const char* sql)
{
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(m_db, sql);
}

std::int64_t SqlConnection::lastInsertId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int SqlConnection::changes() const
{
    return sqlite3_changes(m_db);
}
