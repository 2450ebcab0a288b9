#include "sessionstore.h"

#include "sqlstatement.h"

#include <QByteArray>
#include <QCryptographicHash>

#include <cerrno>
#include <sys/random.h>
#include <system_error>
#include <vector>

namespace {

constexpr std::size_t TokenBytes = 32;

std::string tokenHash(std::string_view token)
{
    const QByteArray bytes(token.data(), static_cast<qsizetype>(token.size()));
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString();
}

} // namespace

std::string randomHex(std::size_t count)
{
    std::vector<unsigned char> bytes(count);
    std::size_t filled = 0;
    while (filled < count) {
        // getrandom() reads the same generator as /dev/urandom and blocks only until it is seeded.
        const ssize_t got = ::getrandom(bytes.data() + filled, count - filled, 0);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw std::system_error(errno, std::generic_category(), "cannot read random bytes");
        }
        filled += static_cast<std::size_t>(got);
    }
    static constexpr char Digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * count);
    for (const unsigned char b : bytes) {
        text += Digits[b >> 4];
        text += Digits[b & 0x0F];
    }
    return text;
}

bool isSessionToken(std::string_view text)
{
    if (text.size() != 2 * TokenBytes)
        return false;
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

bool sameSecret(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

SessionStore::SessionStore(SqlConnection& connection) : m_connection(connection)
{}

std::string SessionStore::create(std::int64_t userId, std::int64_t nowSeconds)
{
    SqlStatement sweep(m_connection, "DELETE FROM sessions WHERE expires <= ?1");
    sweep.bindInt(1, nowSeconds).run();
    const std::string token = randomHex(TokenBytes);
    SqlStatement insert(m_connection, "INSERT INTO sessions (token_hash, user_id, csrf, created, expires) "
                                      "VALUES (?1, ?2, ?3, ?4, ?5)");
    insert.bindText(1, tokenHash(token)).bindInt(2, userId).bindText(3, randomHex(TokenBytes));
    insert.bindInt(4, nowSeconds).bindInt(5, nowSeconds + Lifetime).run();
    return token;
}

std::optional<SessionRecord> SessionStore::find(std::string_view token, std::int64_t nowSeconds)
{
    if (!isSessionToken(token))
        return std::nullopt;
    SqlStatement query(m_connection, "SELECT s.user_id, u.name, s.csrf, s.expires FROM sessions s "
                                     "JOIN users u ON u.id = s.user_id WHERE s.token_hash = ?1 AND s.expires > ?2");
    query.bindText(1, tokenHash(token)).bindInt(2, nowSeconds);
    if (!query.step())
        return std::nullopt;
    return SessionRecord{query.integer(0), query.text(1), query.text(2), query.integer(3)};
}

bool SessionStore::remove(std::string_view token)
{
    if (!isSessionToken(token))
        return false;
    SqlStatement erase(m_connection, "DELETE FROM sessions WHERE token_hash = ?1");
    erase.bindText(1, tokenHash(token)).run();
    return m_connection.changes() == 1;
}
