#include "accountstore.h"

#include "servicelimits.h"
#include "sqlstatement.h"
#include "textrules.h"

#include <QByteArray>
#include <QCryptographicHash>

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

    SqlStatement insert(m_connection,
                        "INSERT INTO users (name, digest, created) VALUES (?1, ?2, strftime('%s', 'now')) "
                        "ON CONFLICT (name) DO NOTHING");
    insert.bindText(1, name).bindText(2, passwordDigest(password)).run();
    return m_connection.changes() == 1 ? SignUpResult::Added : SignUpResult::NameTaken;
}

std::optional<std::int64_t> AccountStore::login(const std::string& name, const std::string& digest)
{
    SqlStatement query(m_connection, "SELECT id, digest FROM users WHERE name = ?1");
    query.bindText(1, name);
    if (!query.step())
        return std::nullopt;
    const std::string stored = query.text(1);
    if (stored.size() != digest.size())
        return std::nullopt;
    // Every byte is compared so the time taken tells nothing about the digest.
    unsigned char difference = 0;
    for (std::size_t i = 0; i < stored.size(); ++i)
        difference |= static_cast<unsigned char>(stored[i] ^ digest[i]);
    if (difference != 0)
        return std::nullopt;
    return query.integer(0);
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
