#pragma once

#include "sqlconnection.h"

#include <filesystem>

struct sqlite3;

//! A connection to the service's SQLite file; each request opens its own.
class SqliteConnection final : public SqlConnection
{
public:
    //! Opens (creating) the file; waits up to 30 s for other writers instead of failing.
    explicit SqliteConnection(const std::filesystem::path& file);
    ~SqliteConnection() override;

    SqlDialect dialect() const override { return SqlDialect::Sqlite; }
    void exec(const std::string& sql) override;
    std::unique_ptr<SqlStatementBackend> prepare(const std::string& sql) override;
    int changes() const override;
    void beginWrite() override;
    void commit() override;
    void rollback() noexcept override;
    bool usable() const override;
    sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};
