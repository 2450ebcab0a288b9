#pragma once

#include "sqlconnection.h"

#include <cstdint>
#include <optional>
#include <string>

//! Outcome of a sign-up, from the form or from --add-user.
enum class SignUpResult {
    Added,
    NameMissing,
    NameTooLong,
    NameInvalid,
    PasswordMissing,
    PasswordTooLong,
    PasswordInvalid,
    NameTaken,
};

//! One sentence for the user about a sign-up result; name is the raw (unescaped) user name.
std::string signUpMessage(SignUpResult result, const std::string& name);

//! The digest the desktop program sends as "cpassword": MD5 of the password's UTF-8 bytes,
//! 32 lower-case hexadecimal digits.
std::string passwordDigest(const std::string& password);

//! Users and their verification codes, over one request's connection.
class AccountStore
{
public:
    explicit AccountStore(SqlConnection& connection);

    //! Checks name and password (UTF-8) and stores the user with a slow salted hash of the
    //! password's digest; neither the password nor the digest is kept.
    SignUpResult addUser(const std::string& name, const std::string& password);
    //! The user's id when digest is the one the user's hash was made from. A row still holding
    //! a bare digest of an older service, or a hash of other costs, gets a new hash on the
    //! first right log-in. Takes tens of milliseconds, right or wrong; use attemptLogin(),
    //! which holds back guessing.
    std::optional<std::int64_t> login(const std::string& name, const std::string& digest);
    std::optional<std::int64_t> findUser(const std::string& name);
    //! A new 8-character code for one upload of numSlides slides, valid until expiresMs.
    std::string issueCode(std::int64_t userId, int numSlides, std::int64_t expiresMs, std::int64_t nowMs);
    //! Uses up the user's code; returns the slide count it was issued for, or nothing when the
    //! code is unknown, someone else's, used or expired. Safe against two uploads racing for it.
    std::optional<int> takeCode(std::int64_t userId, const std::string& code, std::int64_t nowMs);

private:
    void replaceHash(std::int64_t userId, const std::string& old, const std::string& hash);

    SqlConnection& m_connection;
};
