#include "sqltransaction.h"

#include <sqlite3.h>

SqlTransaction::SqlTransaction(SqlConnection& connection) : m_connection(connection)
{
    m_connection.exec("BEGIN IMMEDIATE");
}

SqlTransaction::~SqlTransaction()
{
    if (m_open)
        sqlite3_exec(m_connection.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqlTransaction::commit()
{
    m_connection.exec("COMMIT");
    m_open = false;
}
