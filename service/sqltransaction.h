#pragma once

#include "sqlconnection.h"

//! A write transaction: takes the database's write lock at once (SQLite's BEGIN IMMEDIATE, an
//! advisory lock on PostgreSQL), so concurrent writers queue instead of failing or interleaving.
//! Rolls back unless committed.
class SqlTransaction
{
public:
    explicit SqlTransaction(SqlConnection& connection);
    ~SqlTransaction();
    SqlTransaction(const SqlTransaction&) = delete;
    SqlTransaction& operator=(const SqlTransaction&) = delete;

    void commit();

private:
    SqlConnection& m_connection;
    bool m_open = true;
};
