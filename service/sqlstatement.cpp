#include "sqlstatement.h"

#include "sqlerror.h"

#include <sqlite3.h>

namespace {

[[noreturn]] void fail(sqlite3* db, const char* what)
{
    throw SqlError(std::string(what) + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

} // namespace

SqlStatement::SqlStatement(SqlConnection& connection, const char* sql) : m_connection(connection)
{
    if (sqlite3_prepare_v2(connection.handle(), sql, -1, &m_statement, nullptr) != SQLITE_OK)
        fail(connection.handle(), sql);
}

SqlStatement::~SqlStatement()
{
    sqlite3_finalize(m_statement);
}

SqlStatement& SqlStatement::bindInt(int index, std::int64_t value)
{
    if (sqlite3_bind_int64(m_statement, index, value) != SQLITE_OK)
        fail(m_connection.handle(), "bind");
    return *this;
}

SqlStatement& SqlStatement::bindText(int index, const std::string& value)
{
    if (sqlite3_bind_text(m_statement, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT) !=
        SQLITE_OK)
        fail(m_connection.handle(), "bind");
    return *this;
}

SqlStatement& SqlStatement::bindNull(int index)
{
    if (sqlite3_bind_null(m_statement, index) != SQLITE_OK)
        fail(m_connection.handle(), "bind");
    return *this;
}

bool SqlStatement::step()
{
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    fail(m_connection.handle(), "step");
}

void SqlStatement::run()
{
    while (step()) {}
}

std::int64_t SqlStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

std::string SqlStatement::text(int column) const
{
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return bytes ? std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(m_statement, column)))
                 : std::string();
}

bool SqlStatement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}
