#include "sqlpostgresconnection.h"

#include "sqlerror.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

namespace {

// Key of the advisory lock every write transaction of every service over the database takes.
constexpr const char* TakeWriteLock = "SELECT pg_advisory_xact_lock(7594076135105782386)";
// Type numbers of the server's catalogue, fixed since its first release.
constexpr Oid Int8Type = 20;
constexpr Oid TextType = 25;

struct ResultDeleter
{
    void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

std::string trimmed(const char* message)
{
    std::string text = message ? message : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// Throws unless the command or query succeeded; counts the rows it changed.
Result checked(SqlPostgresConnection& connection, PGresult* raw, const std::string& what)
{
    Result result(raw);
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        const std::string message = trimmed(result ? PQresultErrorMessage(result.get()) : nullptr);
        throw SqlError(what + ": " + (message.empty() ? trimmed(PQerrorMessage(connection.handle())) : message));
    }
    connection.setChanges(std::atoi(PQcmdTuples(result.get())));
    return result;
}

// Notices ("already exists, skipping") are no news for the log; a FATAL one arriving between
// requests means the server is closing the connection (shut down, or the backend terminated).
void noticeReceived(void* connection, const PGresult* notice)
{
    const char* severity = PQresultErrorField(notice, PG_DIAG_SEVERITY_NONLOCALIZED);
    if (severity && (std::strcmp(severity, "FATAL") == 0 || std::strcmp(severity, "PANIC") == 0))
        static_cast<SqlPostgresConnection*>(connection)->markClosedByServer();
}

class PostgresStatement final : public SqlStatementBackend
{
public:
    PostgresStatement(SqlPostgresConnection& connection, const std::string& sql) : m_connection(connection), m_sql(sql)
    {
        int count = 0;
        m_text = postgresParameters(sql, count);
        m_values.resize(static_cast<std::size_t>(count));
        m_types.resize(static_cast<std::size_t>(count), 0);
    }

    void bindInt(int index, std::int64_t value) override { bind(index, std::to_string(value), Int8Type); }
    void bindText(int index, const std::string& value) override { bind(index, value, TextType); }
    void bindNull(int index) override { bind(index, std::nullopt, 0); }

    bool step() override
    {
        if (!m_result)
            execute();
        if (m_row < PQntuples(m_result.get()))
            ++m_row;
        return m_row < PQntuples(m_result.get());
    }
    std::int64_t integer(int column) const override
    {
        return isNull(column) ? 0 : std::strtoll(PQgetvalue(m_result.get(), m_row, column), nullptr, 10);
    }
    std::string text(int column) const override
    {
        return std::string(PQgetvalue(m_result.get(), m_row, column),
                           static_cast<std::size_t>(PQgetlength(m_result.get(), m_row, column)));
    }
    bool isNull(int column) const override { return PQgetisnull(m_result.get(), m_row, column) != 0; }

private:
    void bind(int index, std::optional<std::string> value, Oid type)
    {
        if (index < 1 || index > static_cast<int>(m_values.size()))
            throw SqlError("bind: no parameter " + std::to_string(index) + " in " + m_sql);
        m_values[static_cast<std::size_t>(index - 1)] = std::move(value);
        m_types[static_cast<std::size_t>(index - 1)] = type;
    }

    void execute()
    {
        const std::size_t count = m_values.size();
        std::vector<const char*> values(count, nullptr);
        std::vector<int> lengths(count, 0);
        std::vector<int> formats(count, 0);
        for (std::size_t i = 0; i < count; ++i) {
            if (!m_values[i])
                continue;
            values[i] = m_values[i]->c_str();
            lengths[i] = static_cast<int>(m_values[i]->size());
            // Text goes as its bytes with their length: nothing is cut at a zero byte, and the
            // server checks the encoding. Numbers go as decimal text.
            formats[i] = m_types[i] == TextType ? 1 : 0;
        }
        m_result = checked(m_connection,
                           PQexecParams(m_connection.handle(), m_text.c_str(), static_cast<int>(count), m_types.data(),
                                        values.data(), lengths.data(), formats.data(), 0),
                           m_sql);
        m_row = -1;
    }

    SqlPostgresConnection& m_connection;
    std::string m_sql;
    std::string m_text;
    std::vector<std::optional<std::string>> m_values;
    std::vector<Oid> m_types;
    Result m_result;
    int m_row = -1;
};

} // namespace

std::string postgresParameters(std::string_view sql, int& count)
{
    std::string out;
    out.reserve(sql.size() + 8);
    count = 0;
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (c == '\'' || c == '"') {
            const std::size_t end = sql.find(c, i + 1);
            const std::size_t stop = end == std::string_view::npos ? sql.size() : end + 1;
            out.append(sql.substr(i, stop - i));
            i = stop;
        } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            const std::size_t end = sql.find('\n', i);
            const std::size_t stop = end == std::string_view::npos ? sql.size() : end;
            out.append(sql.substr(i, stop - i));
            i = stop;
        } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
            const std::size_t end = sql.find("*/", i + 2);
            const std::size_t stop = end == std::string_view::npos ? sql.size() : end + 2;
            out.append(sql.substr(i, stop - i));
            i = stop;
        } else if (c == '?') {
            std::size_t digits = i + 1;
            int number = 0;
            while (digits < sql.size() && sql[digits] >= '0' && sql[digits] <= '9' && number < 100000)
                number = number * 10 + (sql[digits++] - '0');
            if (digits == i + 1)
                number = count + 1;
            count = std::max(count, number);
            out += '$';
            out += std::to_string(number);
            i = digits;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

SqlPostgresConnection::SqlPostgresConnection(const std::string& url)
{
    // The address may set its own connect_timeout; the text encoding is always UTF-8.
    const char* keywords[] = {"connect_timeout", "fallback_application_name", "dbname", "client_encoding", nullptr};
    const char* values[] = {"10", "pictorelle-web", url.c_str(), "UTF8", nullptr};
    m_connection = PQconnectdbParams(keywords, values, 1);
    if (!m_connection)
        throw SqlError("cannot connect to the PostgreSQL database: out of memory");
    if (PQstatus(m_connection) != CONNECTION_OK) {
        const std::string message = trimmed(PQerrorMessage(m_connection));
        PQfinish(m_connection);
        m_connection = nullptr;
        throw SqlError("cannot connect to the PostgreSQL database: " + message);
    }
    PQsetNoticeReceiver(m_connection, noticeReceived, this);
    // Waits for locks as long as SQLite waits for its writers, then fails the request.
    exec("SET lock_timeout = '30s'");
}

SqlPostgresConnection::~SqlPostgresConnection()
{
    PQfinish(m_connection);
}

void SqlPostgresConnection::exec(const std::string& sql)
{
    checked(*this, PQexec(m_connection, sql.c_str()), sql);
}

std::unique_ptr<SqlStatementBackend> SqlPostgresConnection::prepare(const std::string& sql)
{
    return std::make_unique<PostgresStatement>(*this, sql);
}

void SqlPostgresConnection::beginWrite()
{
    exec("BEGIN");
    try {
        exec(TakeWriteLock);
    } catch (...) {
        rollback();
        throw;
    }
}

void SqlPostgresConnection::commit()
{
    const Result result = checked(*this, PQexec(m_connection, "COMMIT"), "COMMIT");
    // The server answers COMMIT of a failed transaction with ROLLBACK: nothing was stored.
    if (std::strcmp(PQcmdStatus(result.get()), "ROLLBACK") == 0)
        throw SqlError("COMMIT: the transaction had failed and was rolled back");
}

void SqlPostgresConnection::rollback() noexcept
{
    PQclear(PQexec(m_connection, "ROLLBACK"));
}

bool SqlPostgresConnection::usable() const
{
    // Reads what the server sent since the last request without waiting: a connection it
    // closed in the meantime shows as broken here rather than failing the next request.
    for (int i = 0; i < 2 && PQstatus(m_connection) == CONNECTION_OK; ++i)
        PQconsumeInput(m_connection);
    // Parses what arrived: the server's FATAL notice before it closes reaches noticeReceived().
    if (PQstatus(m_connection) == CONNECTION_OK)
        PQisBusy(m_connection);
    return !m_closedByServer && PQstatus(m_connection) == CONNECTION_OK &&
           PQtransactionStatus(m_connection) == PQTRANS_IDLE;
}
