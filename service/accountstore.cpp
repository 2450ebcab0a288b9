#include "accountstore.h"

#include "passwordhash.h"
#include "servicelimits.h"
#include "sessionstore.h"
#include "sqlstatement.h"
#include "textrules.h"

#include <QByteArray>
#include <QCryptographicHash>

#include <ctime>
#include <random>

namespace {

std::string randomCode()
{
    static constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device source;
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof(Alphabet)) - 2);
    std::string code;
    for (int i = 0; i < 8; ++i)
        code += Alphabet[pick(source)];
    return code;
}

// Verified against when a name is unknown; made once, from no password anyone can send.
const std::string& unknownUserHash()
{
    static const std::string hash = passwordhash::make("no such user");
    return hash;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

std::string signUpMessage(SignUpResult result, const std::string& name)
{
    switch (result) {
    case SignUpResult::Added:
        return "Welcome to PictorelleWeb, " + name +
               ". Enter this user name and password in "
               "Pictorelle's User Settings to publish.";
    case SignUpResult::NameMissing:
        return "Please choose a user name.";
    case SignUpResult::NameTooLong:
        return "A user name has at most 254 characters.";
    case SignUpResult::NameInvalid:
        return "A user name cannot begin or end with a space or hold control characters.";
    case SignUpResult::PasswordMissing:
        return "Please choose a password.";
    case SignUpResult::PasswordTooLong:
        return "A password has at most 254 characters.";
    case SignUpResult::PasswordInvalid:
        return "The password is not valid UTF-8 text.";
    case SignUpResult::NameTaken:
        return "The user name \"" + name + "\" is already taken. Please choose another one.";
    }
    return {};
}

std::string passwordDigest(const std::string& password)
{
    const QByteArray bytes(password.data(), static_cast<qsizetype>(password.size()));
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().toStdString();
}

AccountStore::AccountStore(SqlConnection& connection) : m_connection(connection)
{}

SignUpResult AccountStore::addUser(const std::string& name, const std::string& password)
{
    if (name.empty())
        return SignUpResult::NameMissing;
    if (!textrules::isValidUtf8(name) || textrules::hasControlCharacters(name) || isSpace(name.front()) ||
        isSpace(name.back()))
        return SignUpResult::NameInvalid;
    // The program's user settings keep 254 characters: a longer name could never log in.
    if (textrules::utf16Length(name) > limits::AccountCharacters)
        return SignUpResult::NameTooLong;
    if (password.empty())
        return SignUpResult::PasswordMissing;
    if (!textrules::isValidUtf8(password))
        return SignUpResult::PasswordInvalid;
    if (textrules::utf16Length(password) > limits::AccountCharacters)
        return SignUpResult::PasswordTooLong;

    // Only a slow salted hash of the digest is kept: a value read from the table is no password.
    const std::string hash = passwordhash::make(passwordDigest(password));
    SqlStatement insert(m_connection,
                        "INSERT INTO users (name, digest, created) VALUES (?, ?, ?) ON CONFLICT (name) DO NOTHING");
    insert.bindText(1, name).bindText(2, hash).bindInt(3, static_cast<std::int64_t>(std::time(nullptr))).run();
    return m_connection.changes() == 1 ? SignUpResult::Added : SignUpResult::NameTaken;
}

std::optional<std::int64_t> AccountStore::login(const std::string& name, const std::string& digest)
{
    std::int64_t id = 0;
    std::string stored;
    {
        // The statement ends before the slow hash, so it holds no read lock meanwhile.
        SqlStatement query(m_connection, "SELECT id, digest FROM users WHERE name = ?");
        query.bindText(1, name);
        if (query.step()) {
            id = query.integer(0);
            stored = query.text(1);
        }
    }
    if (stored.empty()) {
        // An unknown name costs the same time as a wrong password, so timing tells no names.
        passwordhash::matches(unknownUserHash(), digest);
        return std::nullopt;
    }
    if (passwordhash::isLegacyDigest(stored)) {
        // A row of an older service holds the bare digest; the first right log-in replaces it.
        if (!sameSecret(stored, digest))
            return std::nullopt;
        replaceHash(id, stored, passwordhash::make(digest));
        return id;
    }
    if (!passwordhash::matches(stored, digest))
        return std::nullopt;
    if (passwordhash::needsRehash(stored))
        replaceHash(id, stored, passwordhash::make(digest));
    return id;
}

void AccountStore::replaceHash(std::int64_t userId, const std::string& old, const std::string& hash)
{
    // Only the value just checked is replaced, never one another log-in stored meanwhile.
    SqlStatement update(m_connection, "UPDATE users SET digest = ? WHERE id = ? AND digest = ?");
    update.bindText(1, hash).bindInt(2, userId).bindText(3, old).run();
}

std::optional<std::int64_t> AccountStore::findUser(const std::string& name)
{
    SqlStatement query(m_connection, "SELECT id FROM users WHERE name = ?1");
    query.bindText(1, name);
    if (!query.step())
        return std::nullopt;
    return query.integer(0);
}

std::string AccountStore::issueCode(std::int64_t userId, int numSlides, std::int64_t expiresMs, std::int64_t nowMs)
{
    // Spent and expired codes are of no use any more.
    SqlStatement sweep(m_connection, "DELETE FROM codes WHERE used = 1 OR expires_ms <= ?1");
    sweep.bindInt(1, nowMs).run();
    for (;;) {
        const std::string code = randomCode();
        SqlStatement insert(m_connection,
                            "INSERT INTO codes (code, user_id, num_slides, expires_ms) VALUES (?1, ?2, ?3, ?4) "
                            "ON CONFLICT (code) DO NOTHING");
        insert.bindText(1, code).bindInt(2, userId).bindInt(3, numSlides).bindInt(4, expiresMs).run();
        if (m_connection.changes() == 1)
            return code;
    }
}

std::optional<int> AccountStore::takeCode(std::int64_t userId, const std::string& code, std::int64_t nowMs)
{
    // One statement marks the code used, so of two uploads with the same code only one wins.
    SqlStatement take(m_connection,
                      "UPDATE codes SET used = 1 WHERE code = ?1 AND user_id = ?2 AND used = 0 AND expires_ms > ?3 "
                      "RETURNING num_slides");
    take.bindText(1, code).bindInt(2, userId).bindInt(3, nowMs);
    if (!take.step())
        return std::nullopt;
    const int numSlides = static_cast<int>(take.integer(0));
    take.run();
    return numSlides;
}
