#include "testdatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <map>
#include <mutex>
#include <unistd.h>

namespace {

// The test cluster's address with another database name in place of the one it names.
std::string withDatabase(const std::string& url, const std::string& name)
{
    const std::size_t scheme = url.find("://");
    const std::size_t hostStart = scheme == std::string::npos ? 0 : scheme + 3;
    const std::size_t query = url.find('?', hostStart);
    const std::size_t path = url.find('/', hostStart);
    const std::size_t hostEnd = std::min(path, query);
    std::string result = url.substr(0, hostEnd == std::string::npos ? url.size() : hostEnd) + "/" + name;
    if (query != std::string::npos)
        result += url.substr(query);
    return result;
}

// The databases made for data folders; dropped when the program ends.
class PostgresDatabases
{
public:
    ~PostgresDatabases()
    {
        for (const auto& [folder, name] : m_names)
            run("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
    }

    std::string urlFor(const QString& dataFolder)
    {
        const QString key = QDir::cleanPath(QFileInfo(dataFolder).absoluteFilePath());
        const std::lock_guard lock(m_mutex);
        auto found = m_names.find(key);
        if (found == m_names.end()) {
            const std::string name = "t_" + std::to_string(::getpid()) + "_" + std::to_string(++m_count) + "_" +
                                     QString::number(QRandomGenerator::global()->generate(), 36).toStdString();
            run("CREATE DATABASE " + name + " ENCODING 'UTF8' TEMPLATE template0");
            found = m_names.emplace(key, name).first;
        }
        return withDatabase(admin(), found->second);
    }

    static std::string admin() { return qEnvironmentVariable("PICTORELLE_TEST_POSTGRES").toStdString(); }

private:
    static void run(const std::string& sql)
    {
        PGconn* connection = PQconnectdb(admin().c_str());
        if (PQstatus(connection) != CONNECTION_OK) {
            qWarning("cannot reach the test PostgreSQL cluster: %s", PQerrorMessage(connection));
        } else {
            PGresult* result = PQexec(connection, sql.c_str());
            if (PQresultStatus(result) != PGRES_COMMAND_OK)
                qWarning("%s: %s", sql.c_str(), PQresultErrorMessage(result));
            PQclear(result);
        }
        PQfinish(connection);
    }

    std::mutex m_mutex;
    std::map<QString, std::string> m_names;
    int m_count = 0;
};

PostgresDatabases& postgresDatabases()
{
    static PostgresDatabases databases;
    return databases;
}

// The PostgreSQL runs need the cluster scripts/run-tests.sh starts: without it they are
// skipped, or fail on a CI machine, where a missing cluster is a broken set-up.
class PostgresCluster : public ::testing::Environment
{
public:
    void SetUp() override
    {
        if (!testingPostgres())
            return;
        const std::string admin = PostgresDatabases::admin();
        std::string problem;
        if (admin.empty()) {
            problem = "PICTORELLE_TEST_POSTGRES is not set (scripts/run-tests.sh starts a test cluster)";
        } else {
            PGconn* connection = PQconnectdb(admin.c_str());
            if (PQstatus(connection) != CONNECTION_OK)
                problem = std::string("cannot reach PICTORELLE_TEST_POSTGRES: ") + PQerrorMessage(connection);
            PQfinish(connection);
        }
        if (problem.empty())
            return;
        if (qEnvironmentVariable("CI") == QLatin1String("true"))
            FAIL() << problem;
        GTEST_SKIP() << "PostgreSQL runs skipped: " << problem;
    }
};

[[maybe_unused]] ::testing::Environment* const cluster = ::testing::AddGlobalTestEnvironment(new PostgresCluster);

} // namespace

bool testingPostgres()
{
    return qEnvironmentVariable("PICTORELLE_TEST_BACKEND") == QLatin1String("postgresql");
}

QStringList testDatabaseArguments(const QString& dataFolder)
{
    if (!testingPostgres())
        return {};
    return {"--database", QString::fromStdString(postgresDatabases().urlFor(dataFolder))};
}

TestDatabase::TestDatabase(const QString& file)
{
    if (testingPostgres()) {
        const std::string url = postgresDatabases().urlFor(QFileInfo(file).path());
        m_pg = PQconnectdb(url.c_str());
        if (PQstatus(m_pg) != CONNECTION_OK)
            m_error = PQerrorMessage(m_pg);
        PQsetNoticeProcessor(
            m_pg, [](void*, const char*) {}, nullptr);
        return;
    }
    if (sqlite3_open(file.toUtf8().constData(), &m_db) != SQLITE_OK)
        m_error = m_db ? sqlite3_errmsg(m_db) : "out of memory";
    else
        sqlite3_busy_timeout(m_db, 10000);
}

TestDatabase::~TestDatabase()
{
    sqlite3_close(m_db);
    if (m_pg)
        PQfinish(m_pg);
}

bool TestDatabase::exec(const std::string& sql)
{
    if (m_pg) {
        PGresult* result = PQexec(m_pg, sql.c_str());
        const ExecStatusType status = PQresultStatus(result);
        const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
        if (!ok)
            m_error = PQresultErrorMessage(result);
        PQclear(result);
        return ok;
    }
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
    if (m_pg) {
        PGresult* answer = PQexec(m_pg, sql.c_str());
        if (PQresultStatus(answer) != PGRES_TUPLES_OK) {
            m_error = PQresultErrorMessage(answer);
        } else {
            for (int r = 0; r < PQntuples(answer); ++r) {
                std::vector<std::string> row;
                for (int c = 0; c < PQnfields(answer); ++c)
                    row.push_back(PQgetisnull(answer, r, c)
                                      ? std::string("NULL")
                                      : std::string(PQgetvalue(answer, r, c),
                                                    static_cast<std::size_t>(PQgetlength(answer, r, c))));
                result.push_back(std::move(row));
            }
        }
        PQclear(answer);
        return result;
    }
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

std::string TestDatabase::schemaVersion()
{
    return value(m_pg ? "SELECT version FROM schema_version" : "PRAGMA user_version");
}
