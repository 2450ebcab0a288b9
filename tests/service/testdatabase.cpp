#include "testdatabase.h"

#include <sqlite3.h>

TestDatabase::TestDatabase(const QString& file)
{
    if (sqlite3_open(file.toUtf8().constData(), &m_db) != SQLITE_OK)
        m_error = m_db ? sqlite3_errmsg(m_db) : "out of memory";
    else
        sqlite3_busy_timeout(m_db, 10000);
}

TestDatabase::~TestDatabase()
{
    sqlite3_close(m_db);
}

bool TestDatabase::exec(const std::string& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    m_error = message ? message : "failed";
    sqlite3_free(message);
    return false;
}

std::vector<std::vector<std::string>> TestDatabase::rows(const std::string& sql)
{
    std::vector<std::vector<std::string>> result;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        m_error = sqlite3_errmsg(m_db);
        return result;
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
            row.push_back(text ? std::string(text) : std::string("NULL"));
        }
        result.push_back(std::move(row));
    }
    sqlite3_finalize(statement);
    return result;
}

std::string TestDatabase::value(const std::string& sql)
{
    const auto found = rows(sql);
    return found.empty() || found[0].empty() ? std::string() : found[0][0];
}
