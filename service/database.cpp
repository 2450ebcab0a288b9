#include "database.h"

#include "sqlerror.h"
#include "sqlstatement.h"
#include "sqltransaction.h"

#include <iterator>

namespace {

// Times are Unix milliseconds (codes) or seconds (publication dates). "seq" orders the
// list newest first: it grows with every publication, replacements included.
constexpr const char* Schema = R"sql(
CREATE TABLE IF NOT EXISTS users (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    name TEXT NOT NULL UNIQUE,
    digest TEXT NOT NULL,
    created INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS codes (
    code TEXT PRIMARY KEY,
    user_id INTEGER NOT NULL REFERENCES users(id),
    num_slides INTEGER NOT NULL,
    expires_ms INTEGER NOT NULL,
    used INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS stories (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    user_id INTEGER NOT NULL REFERENCES users(id),
    type INTEGER NOT NULL,
    title TEXT NOT NULL,
    description TEXT NOT NULL,
    tags TEXT NOT NULL,
    category INTEGER NOT NULL,
    language TEXT NOT NULL,
    transcript TEXT,
    revision INTEGER NOT NULL,
    published INTEGER NOT NULL,
    seq INTEGER NOT NULL
);
CREATE INDEX IF NOT EXISTS stories_by_seq ON stories(seq);
CREATE TABLE IF NOT EXISTS slides (
    story_id INTEGER NOT NULL REFERENCES stories(id) ON DELETE CASCADE,
    position INTEGER NOT NULL,
    caption TEXT NOT NULL,
    tags TEXT NOT NULL,
    photo TEXT,
    thumb TEXT,
    audio TEXT NOT NULL,
    seconds INTEGER NOT NULL,
    PRIMARY KEY (story_id, position)
);
)sql";

// Changes to an existing file, in order: step n brings a file from user_version n to n + 1.
// Files made before the first step have version 0 and the tables above.
constexpr const char* Migrations[] = {
    // Log-in sessions of the site. Only a hash of each session token is kept; "csrf" is the
    // token the session's forms carry. Times are Unix seconds.
    R"sql(
CREATE TABLE sessions (
    token_hash TEXT PRIMARY KEY,
    user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,
    csrf TEXT NOT NULL,
    created INTEGER NOT NULL,
    expires INTEGER NOT NULL
);
CREATE INDEX sessions_by_expiry ON sessions(expires);
CREATE INDEX stories_by_user ON stories(user_id);
CREATE INDEX stories_by_category ON stories(category);
)sql",
};

constexpr int SchemaVersion = static_cast<int>(std::size(Migrations));

int userVersion(SqlConnection& connection)
{
    SqlStatement query(connection, "PRAGMA user_version");
    return query.step() ? static_cast<int>(query.integer(0)) : 0;
}

} // namespace

Database::Database(std::filesystem::path file) : m_file(std::move(file))
{}

void Database::prepare() const
{
    SqlConnection connection(m_file);
    // WAL lets pages read while an upload writes; the mode is stored in the file.
    connection.exec("PRAGMA journal_mode = WAL");
    // One transaction with the write lock: a second service starting on the same file waits
    // and then finds the file already upgraded.
    SqlTransaction transaction(connection);
    connection.exec(Schema);
    const int version = userVersion(connection);
    if (version > SchemaVersion)
        throw SqlError(m_file.string() + " was written by a newer pictorelle-web (database version " +
                       std::to_string(version) + ", this one knows up to " + std::to_string(SchemaVersion) + ")");
    for (int step = version; step < SchemaVersion; ++step) {
        connection.exec(Migrations[step]);
        // PRAGMA takes no bound parameters; the number is the service's own.
        connection.exec(("PRAGMA user_version = " + std::to_string(step + 1)).c_str());
    }
    transaction.commit();
}

std::unique_ptr<SqlConnection> Database::connect() const
{
    return std::make_unique<SqlConnection>(m_file);
}
