#pragma once

#include "sqlconnection.h"

//! BEGIN IMMEDIATE: takes the write lock at once, so concurrent writers queue instead of
//! failing on a lock upgrade. Rolls back unless committed.
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
