#include "sqlstatement.h"

SqlStatement::SqlStatement(SqlConnection& connection, const std::string& sql) : m_statement(connection.prepare(sql))
{}

SqlStatement& SqlStatement::bindInt(int index, std::int64_t value)
{
    m_statement->bindInt(index, value);
    return *this;
}

SqlStatement& SqlStatement::bindText(int index, const std::string& value)
{
    m_statement->bindText(index, value);
    return *this;
}

SqlStatement& SqlStatement::bindNull(int index)
{
    m_statement->bindNull(index);
    return *this;
}

bool SqlStatement::step()
{
    return m_statement->step();
}

void SqlStatement::run()
{
    while (step()) {}
}

std::int64_t SqlStatement::integer(int column) const
{
    return m_statement->integer(column);
}

std::string SqlStatement::text(int column) const
{
    return m_statement->text(column);
}

bool SqlStatement::isNull(int column) const
{
    return m_statement->isNull(column);
}
