#pragma once

#include <QString>

#include <string>
#include <vector>

struct sqlite3;

//! The service's SQLite file opened beside it, to make files of older services and to look at
//! what the service stored.
class TestDatabase
{
public:
    explicit TestDatabase(const QString& file);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    //! Runs statements without results; false (with error() set) when one fails.
    bool exec(const std::string& sql);
    //! Every row of a query, each column as text ("NULL" for null).
    std::vector<std::vector<std::string>> rows(const std::string& sql);
    //! The first column of the first row, empty when there is none.
    std::string value(const std::string& sql);
    const std::string& error() const { return m_error; }

private:
    sqlite3* m_db = nullptr;
    std::string m_error;
};
