#pragma once

#include "sqlconnection.h"

#include <cstdint>
#include <optional>
#include <string>

//! How the service holds back password guessing. After a few failures of one account, or
//! more failures from one client address over all accounts, every further attempt waits
//! 1 s, then 2 s, 4 s … (at most 15 minutes), doubling with each failure; 15 minutes without
//! a failure, counted from the end of the last wait, forget them.
struct LoginBackoff
{
    //! Failures an account may have before its attempts wait.
    int accountFailures = 5;
    //! Failures one client address may have, over all accounts, before its attempts wait.
    int addressFailures = 20;
    //! Divides every time of the back-off; only tests make it more than 1.
    int scale = 1;

    std::int64_t millis(std::int64_t seconds) const { return seconds * 1000 / scale; }
    //! Milliseconds an attempt waits after failures failures, where limit are allowed.
    std::int64_t delayMillis(std::int64_t failures, int limit) const;
};

//! Why an attempt was refused without looking at its password.
struct LoginRefusal
{
    enum class Scope {
        Account,
        Address
    };
    Scope scope = Scope::Account;
    //! Milliseconds until an attempt is taken again.
    std::int64_t waitMillis = 0;
};

//! The sentence the program and the log-in form show for a refusal, e.g. "Too many failed
//! log-ins for this account. Please try again in 4 minutes."
std::string refusalMessage(const LoginRefusal& refusal);

//! The failure counts in the database table "login_failures", so every service over the same
//! database shares them. Over one request's connection.
class LoginLimiter
{
public:
    LoginLimiter(SqlConnection& connection, const LoginBackoff& backoff);

    //! A refusal when the address or the account has to wait; nothing is counted then.
    std::optional<LoginRefusal> check(const std::string& address, const std::string& account);
    //! One more failure for the address and for the account; starts or doubles their waits.
    void failed(const std::string& address, const std::string& account);
    //! The password was right: forgets the account's failures (the address's stay).
    void succeeded(const std::string& account);

private:
    void count(const char* scope, const std::string& key, int limit, std::int64_t nowMs);
    std::int64_t blockedUntil(const char* scope, const std::string& key);

    SqlConnection& m_connection;
    const LoginBackoff& m_backoff;
};

//! What a log-in attempt came to.
struct LoginAttempt
{
    //! The user's id when name and digest matched.
    std::optional<std::int64_t> user;
    //! Set when the attempt was refused without checking the password.
    std::optional<LoginRefusal> refusal;
};

//! A log-in with the digest the program sends as "cpassword", from the verify request or the
//! site's log-in form, held back by the failures of the account and of the client address. A
//! refusal is logged as one line on stderr. Attempts for one account run one after another in
//! this process, so attempts sent at the same time get no more tries than the limit.
LoginAttempt attemptLogin(SqlConnection& connection, const LoginBackoff& backoff, const std::string& address,
                          const std::string& name, const std::string& digest);
