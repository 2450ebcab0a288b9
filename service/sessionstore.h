#pragma once

#include "sqlconnection.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

//! A live log-in session as the database keeps it.
struct SessionRecord
{
    std::int64_t userId = 0;
    std::string userName;
    //! The random token the session's forms carry, so that other sites cannot post them.
    std::string csrf;
    //! Unix seconds after which the session is void.
    std::int64_t expires = 0;
};

//! The site's log-in sessions, over one request's connection. They live in the database, so
//! every service over the same file knows them and they outlast a restart. A session is named
//! by a random 256-bit token that only the browser holds: the table keeps its SHA-256.
class SessionStore
{
public:
    //! How long a session lasts after logging in: 14 days.
    static constexpr std::int64_t Lifetime = 14 * 24 * 3600;

    explicit SessionStore(SqlConnection& connection);

    //! Starts a session of the user valid until nowSeconds + Lifetime and removes expired ones;
    //! returns the token for the cookie (64 lower-case hexadecimal digits).
    std::string create(std::int64_t userId, std::int64_t nowSeconds);
    //! The session a token names, when it exists and has not expired.
    std::optional<SessionRecord> find(std::string_view token, std::int64_t nowSeconds);
    //! Ends the session; false when there was none.
    bool remove(std::string_view token);

private:
    SqlConnection& m_connection;
};

//! Whether text has the shape of a session token; anything else is never looked up.
bool isSessionToken(std::string_view text);

//! count bytes from the kernel's random generator as 2 × count lower-case hexadecimal digits.
//! Throws std::system_error when the generator cannot be read.
std::string randomHex(std::size_t count);

//! Whether two texts are equal, comparing every byte whatever the first difference.
bool sameSecret(std::string_view a, std::string_view b);
