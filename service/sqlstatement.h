#pragma once

#include "sqlconnection.h"

#include <cstdint>
#include <memory>
#include <string>

//! A prepared statement; values only ever enter SQL through its bind calls. The SQL uses "?N"
//! (or "?") parameters on both back ends.
class SqlStatement
{
public:
    SqlStatement(SqlConnection& connection, const std::string& sql);
    SqlStatement(const SqlStatement&) = delete;
    SqlStatement& operator=(const SqlStatement&) = delete;

    //! Parameters count from 1, as in SQLite.
    SqlStatement& bindInt(int index, std::int64_t value);
    SqlStatement& bindText(int index, const std::string& value);
    SqlStatement& bindNull(int index);
    //! True while a row is available.
    bool step();
    //! Steps a statement that returns no rows.
    void run();
    //! Columns count from 0.
    std::int64_t integer(int column) const;
    std::string text(int column) const;
    bool isNull(int column) const;

private:
    std::unique_ptr<SqlStatementBackend> m_statement;
};
