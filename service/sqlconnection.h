#pragma once

#include <cstdint>
#include <memory>
#include <string>

//! Which database a connection speaks to; the few statements that differ between the two ask.
enum class SqlDialect {
    Sqlite,
    Postgresql
};

//! One prepared statement of a back end; SqlStatement is the face the stores use.
class SqlStatementBackend
{
public:
    virtual ~SqlStatementBackend() = default;
    //! Parameters count from 1; a parameter never bound is NULL.
    virtual void bindInt(int index, std::int64_t value) = 0;
    virtual void bindText(int index, const std::string& value) = 0;
    virtual void bindNull(int index) = 0;
    //! True while a row is available.
    virtual bool step() = 0;
    //! Columns count from 0.
    virtual std::int64_t integer(int column) const = 0;
    virtual std::string text(int column) const = 0;
    virtual bool isNull(int column) const = 0;
};

//! One connection to the service's database, SQLite or PostgreSQL. Used by one thread at a time;
//! a request gets its own from Database::connect(). Failures throw SqlError.
class SqlConnection
{
public:
    virtual ~SqlConnection() = default;
    SqlConnection(const SqlConnection&) = delete;
    SqlConnection& operator=(const SqlConnection&) = delete;

    virtual SqlDialect dialect() const = 0;
    //! Runs statements without parameters (schema, transaction control); several may be given.
    virtual void exec(const std::string& sql) = 0;
    //! Statements use "?" or "?N" parameters on both back ends.
    virtual std::unique_ptr<SqlStatementBackend> prepare(const std::string& sql) = 0;
    //! Rows changed by the last INSERT, UPDATE or DELETE.
    virtual int changes() const = 0;
    //! Starts a transaction holding the database's write lock: writers of every service over
    //! the same database queue here (up to 30 s) instead of failing later on a conflict.
    virtual void beginWrite() = 0;
    virtual void commit() = 0;
    //! Never throws; a connection that cannot roll back is no longer usable().
    virtual void rollback() noexcept = 0;
    //! False once the connection has broken or is left inside a transaction.
    virtual bool usable() const = 0;

protected:
    SqlConnection() = default;
};
