#include "sqltransaction.h"

SqlTransaction::SqlTransaction(SqlConnection& connection) : m_connection(connection)
{
    m_connection.beginWrite();
}

SqlTransaction::~SqlTransaction()
{
    if (m_open)
        m_connection.rollback();
}

void SqlTransaction::commit()
{
    m_connection.commit();
    m_open = false;
}
