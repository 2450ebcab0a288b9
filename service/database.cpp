#include "database.h"

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

} // namespace

Database::Database(std::filesystem::path file) : m_file(std::move(file))
{}

void Database::prepare() const
{
    SqlConnection connection(m_file);
    // WAL lets pages read while an upload writes; the mode is stored in the file.
    connection.exec("PRAGMA journal_mode = WAL");
    connection.exec(Schema);
}

std::unique_ptr<SqlConnection> Database::connect() const
{
    return std::make_unique<SqlConnection>(m_file);
}
