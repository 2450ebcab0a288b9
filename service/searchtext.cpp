#include "searchtext.h"

#include "sqlerror.h"
#include "sqliteconnection.h"
#include "textrules.h"

#include <QString>

#include <sqlite3.h>

namespace searchtext {

namespace {

void foldFunction(sqlite3_context* context, int, sqlite3_value** values)
{
    if (sqlite3_value_type(values[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
    const int size = sqlite3_value_bytes(values[0]);
    const std::string folded = fold(std::string_view(bytes ? bytes : "", static_cast<std::size_t>(size)));
    sqlite3_result_text(context, folded.data(), static_cast<int>(folded.size()), SQLITE_TRANSIENT);
}

} // namespace

std::string fold(std::string_view utf8)
{
    if (!textrules::isValidUtf8(utf8))
        return std::string(utf8);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toCaseFolded().toStdString();
}

std::string containsPattern(std::string_view words)
{
    std::string pattern = "%";
    for (const char c : words) {
        if (c == '%' || c == '_' || c == '\\')
            pattern += '\\';
        pattern += c;
    }
    pattern += '%';
    return pattern;
}

void addFoldFunction(SqlConnection& connection)
{
    // PostgreSQL keeps the function in the database, made when the service starts.
    auto* sqlite = dynamic_cast<SqliteConnection*>(&connection);
    if (!sqlite)
        return;
    if (sqlite3_create_function_v2(sqlite->handle(), FoldFunction, 1,
                                   SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr, foldFunction,
                                   nullptr, nullptr, nullptr) != SQLITE_OK)
        throw SqlError(std::string("cannot add ") + FoldFunction + ": " + sqlite3_errmsg(sqlite->handle()));
}

} // namespace searchtext
