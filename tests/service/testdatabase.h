#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

struct sqlite3;
struct pg_conn;

//! True when this run's services keep their data in PostgreSQL: service_tests_postgresql sets
//! PICTORELLE_TEST_BACKEND=postgresql, and PICTORELLE_TEST_POSTGRES names the test cluster.
bool testingPostgres();

//! The arguments that put a service started over dataFolder on that folder's test database:
//! empty for SQLite (the service uses the folder's "pictorelle.db"); on PostgreSQL
//! {"--database", URL} of a database of the folder's own, created at the first call for the
//! folder and dropped when the test program ends. ServiceProcess and runService add them by
//! themselves for their "--data" folder; pass them as extra arguments to make a service with
//! another data folder share dataFolder's database (on SQLite only the same folder shares it).
QStringList testDatabaseArguments(const QString& dataFolder);

//! The database a test's services use, opened beside them to make databases of older services
//! and to look at what the services stored: the SQLite file, or on PostgreSQL the database of
//! the file's folder. Statements must be written for both unless the test runs on one only.
class TestDatabase
{
public:
    //! file: "pictorelle.db" in a data folder.
    explicit TestDatabase(const QString& file);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    bool isPostgres() const { return m_pg != nullptr; }
    //! Runs statements without results; false (with error() set) when one fails.
    bool exec(const std::string& sql);
    //! Every row of a query, each column as text ("NULL" for null).
    std::vector<std::vector<std::string>> rows(const std::string& sql);
    //! The first column of the first row, empty when there is none.
    std::string value(const std::string& sql);
    //! The stored schema version: PRAGMA user_version, or the row of schema_version.
    std::string schemaVersion();
    const std::string& error() const { return m_error; }

private:
    sqlite3* m_db = nullptr;
    pg_conn* m_pg = nullptr;
    std::string m_error;
};
