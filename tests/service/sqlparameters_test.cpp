// The statements of the stores are written once, with SQLite's "?N" and "?" parameters; the
// PostgreSQL connection renumbers them as "$N" without touching quoted text.
#include "sqlpostgresconnection.h"

#include <gtest/gtest.h>

namespace {

std::string converted(std::string_view sql, int expectedCount)
{
    int count = -1;
    std::string result = postgresParameters(sql, count);
    EXPECT_EQ(count, expectedCount) << sql;
    return result;
}

TEST(SqlParametersTest, NumberedParametersKeepTheirNumbersAndMayRepeat)
{
    EXPECT_EQ(converted("SELECT 1", 0), "SELECT 1");
    EXPECT_EQ(converted("UPDATE codes SET used = 1 WHERE code = ?1 AND user_id = ?2 AND expires_ms > ?3", 3),
              "UPDATE codes SET used = 1 WHERE code = $1 AND user_id = $2 AND expires_ms > $3");
    EXPECT_EQ(converted("WHERE (?1 != 2 AND f(t) LIKE ?2) OR (?1 != 1 AND g(t) LIKE ?2) LIMIT ?3 OFFSET ?4", 4),
              "WHERE ($1 != 2 AND f(t) LIKE $2) OR ($1 != 1 AND g(t) LIKE $2) LIMIT $3 OFFSET $4");
    // The highest number counts, even when lower ones are not used.
    EXPECT_EQ(converted("VALUES (?12)", 12), "VALUES ($12)");
}

TEST(SqlParametersTest, BareParametersCountOnFromTheHighestSoFarAsInSqlite)
{
    EXPECT_EQ(converted("INSERT INTO users (name, digest, created) VALUES (?, ?, ?)", 3),
              "INSERT INTO users (name, digest, created) VALUES ($1, $2, $3)");
    EXPECT_EQ(converted("?5, ?, ?2, ?", 7), "$5, $6, $2, $7");
}

TEST(SqlParametersTest, QuestionMarksInQuotedTextNamesAndCommentsStay)
{
    EXPECT_EQ(converted("SELECT '?', 'it''s ?1', ? FROM t", 1), "SELECT '?', 'it''s ?1', $1 FROM t");
    EXPECT_EQ(converted("SELECT \"odd?name\" FROM t WHERE a = ?", 1), "SELECT \"odd?name\" FROM t WHERE a = $1");
    EXPECT_EQ(converted("SELECT ? -- what?\n, ?", 2), "SELECT $1 -- what?\n, $2");
    EXPECT_EQ(converted("SELECT /* ?1 ? */ ?", 1), "SELECT /* ?1 ? */ $1");
    EXPECT_EQ(converted("LIKE ?2 ESCAPE '\\'", 2), "LIKE $2 ESCAPE '\\'");
    // Text left open to the end is copied as it is; the server reports the error.
    EXPECT_EQ(converted("SELECT 'open ?", 0), "SELECT 'open ?");
}

} // namespace
