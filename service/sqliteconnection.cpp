#include "sqliteconnection.h"

#include "sqlerror.h"

#include <sqlite3.h>

namespace {

[[noreturn]] void fail(sqlite3* db, const std::string& what)
{
    throw SqlError(what + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

class SqliteStatement final : public SqlStatementBackend
{
public:
    SqliteStatement(sqlite3* db, const std::string& sql) : m_db(db)
    {
        if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size() + 1), &m_statement, nullptr) != SQLITE_OK)
            fail(db, sql);
    }
    ~SqliteStatement() override { sqlite3_finalize(m_statement); }

    void bindInt(int index, std::int64_t value) override
    {
        if (sqlite3_bind_int64(m_statement, index, value) != SQLITE_OK)
            fail(m_db, "bind");
    }
    void bindText(int index, const std::string& value) override
    {
        if (sqlite3_bind_text(m_statement, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT) !=
            SQLITE_OK)
            fail(m_db, "bind");
    }
    void bindNull(int index) override
    {
        if (sqlite3_bind_null(m_statement, index) != SQLITE_OK)
            fail(m_db, "bind");
    }
    bool step() override
    {
        const int rc = sqlite3_step(m_statement);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        fail(m_db, "step");
    }
    std::int64_t integer(int column) const override { return sqlite3_column_int64(m_statement, column); }
    std::string text(int column) const override
    {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
        return bytes ? std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(m_statement, column)))
                     : std::string();
    }
    bool isNull(int column) const override { return sqlite3_column_type(m_statement, column) == SQLITE_NULL; }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_statement = nullptr;
};

} // namespace

SqliteConnection::SqliteConnection(const std::filesystem::path& file)
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

SqliteConnection::~SqliteConnection()
{
    sqlite3_close(m_db);
}

void SqliteConnection::exec(const std::string& sql)
{
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(m_db, sql);
}

std::unique_ptr<SqlStatementBackend> SqliteConnection::prepare(const std::string& sql)
{
    return std::make_unique<SqliteStatement>(m_db, sql);
}

int SqliteConnection::changes() const
{
    return sqlite3_changes(m_db);
}

void SqliteConnection::beginWrite()
{
    exec("BEGIN IMMEDIATE");
}

void SqliteConnection::commit()
{
    exec("COMMIT");
}

void SqliteConnection::rollback() noexcept
{
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool SqliteConnection::usable() const
{
    return sqlite3_get_autocommit(m_db) != 0;
}
