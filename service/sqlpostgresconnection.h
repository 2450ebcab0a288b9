#pragma once

#include "sqlconnection.h"

#include <string>
#include <string_view>

struct pg_conn;

//! A connection to a PostgreSQL database through libpq. Costly to open: Database keeps a pool.
class SqlPostgresConnection final : public SqlConnection
{
public:
    //! url: "postgresql://…" or "postgres://…"; the text the server gets is always UTF-8.
    explicit SqlPostgresConnection(const std::string& url);
    ~SqlPostgresConnection() override;

    SqlDialect dialect() const override { return SqlDialect::Postgresql; }
    void exec(const std::string& sql) override;
    std::unique_ptr<SqlStatementBackend> prepare(const std::string& sql) override;
    int changes() const override { return m_changes; }
    void beginWrite() override;
    void commit() override;
    void rollback() noexcept override;
    bool usable() const override;

    pg_conn* handle() const { return m_connection; }
    //! Called by statements with the row count of the command they ran.
    void setChanges(int rows) { m_changes = rows; }
    //! Called when the server announced that it closes the connection.
    void markClosedByServer() { m_closedByServer = true; }

private:
    pg_conn* m_connection = nullptr;
    int m_changes = 0;
    bool m_closedByServer = false;
};

//! sql with SQLite's "?N" and "?" parameters written as PostgreSQL's "$N" ("?" takes one more
//! than the highest number so far, as in SQLite); quoted text, quoted names and comments are
//! left alone. count is set to the highest parameter number.
std::string postgresParameters(std::string_view sql, int& count);
