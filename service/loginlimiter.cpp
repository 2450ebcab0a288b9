#include "loginlimiter.h"

#include "accountstore.h"
#include "requestbody.h"
#include "sqlstatement.h"
#include "sqltransaction.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <functional>
#include <mutex>

namespace {

constexpr const char* AccountScope = "account";
constexpr const char* AddressScope = "address";
// Failures this long ago, and waits that ended this long ago, are forgotten.
constexpr std::int64_t ForgetSeconds = 15 * 60;
constexpr std::int64_t LongestWaitSeconds = 15 * 60;

// A name is whatever the client sent: control characters, quotes and other bytes outside
// printable ASCII are written as \xNN so the line stays one line and cannot pose as another.
std::string logged(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7f || c == '"' || c == '\\') {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

void logRefusal(const std::string& address, const std::string& name, const LoginRefusal& refusal)
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &parts);
    const char* reason = refusal.scope == LoginRefusal::Scope::Account ? "too many failed log-ins for the account"
                                                                       : "too many failed log-ins from the address";
    // One call writes the whole line, so it is never interleaved with the request log.
    std::fprintf(stderr, "%s %s log-in refused for \"%s\": %s, %lld ms left\n", stamp, logged(address).c_str(),
                 logged(name).c_str(), reason, static_cast<long long>(refusal.waitMillis));
}

// Attempts for names of the same stripe wait for each other; 256 stripes make that rare
// among accounts logging in at the same time.
std::mutex& accountLock(const std::string& name)
{
    static std::array<std::mutex, 256> stripes;
    return stripes[std::hash<std::string>{}(name) % stripes.size()];
}

std::string waitText(std::int64_t millis)
{
    const std::int64_t seconds = (millis + 999) / 1000;
    if (seconds <= 1)
        return "1 second";
    if (seconds < 60)
        return std::to_string(seconds) + " seconds";
    const std::int64_t minutes = (seconds + 59) / 60;
    return minutes == 1 ? "1 minute" : std::to_string(minutes) + " minutes";
}

} // namespace

std::int64_t LoginBackoff::delayMillis(std::int64_t failures, int limit) const
{
    if (failures < limit)
        return 0;
    std::int64_t seconds = 1;
    for (std::int64_t doubled = limit; doubled < failures && seconds < LongestWaitSeconds; ++doubled)
        seconds *= 2;
    return millis(std::min(seconds, LongestWaitSeconds));
}

std::string refusalMessage(const LoginRefusal& refusal)
{
    const char* what = refusal.scope == LoginRefusal::Scope::Account ? "for this account" : "from this address";
    return std::string("Too many failed log-ins ") + what + ". Please try again in " + waitText(refusal.waitMillis) +
           ".";
}

LoginLimiter::LoginLimiter(SqlConnection& connection, const LoginBackoff& backoff)
    : m_connection(connection), m_backoff(backoff)
{}

std::optional<LoginRefusal> LoginLimiter::check(const std::string& address, const std::string& account)
{
    const std::int64_t nowMs = requestbody::unixMillis();
    if (const std::int64_t until = blockedUntil(AddressScope, address); until > nowMs)
        return LoginRefusal{LoginRefusal::Scope::Address, until - nowMs};
    if (const std::int64_t until = blockedUntil(AccountScope, account); until > nowMs)
        return LoginRefusal{LoginRefusal::Scope::Account, until - nowMs};
    return std::nullopt;
}

void LoginLimiter::failed(const std::string& address, const std::string& account)
{
    SqlTransaction transaction(m_connection);
    // The time once the lock is held, so counts written in turn see their times in turn.
    const std::int64_t nowMs = requestbody::unixMillis();
    count(AddressScope, address, m_backoff.addressFailures, nowMs);
    count(AccountScope, account, m_backoff.accountFailures, nowMs);
    transaction.commit();
}

void LoginLimiter::succeeded(const std::string& account)
{
    SqlStatement forget(m_connection, "DELETE FROM login_failures WHERE scope = ? AND key = ?");
    forget.bindText(1, AccountScope).bindText(2, account).run();
}

void LoginLimiter::count(const char* scope, const std::string& key, int limit, std::int64_t nowMs)
{
    const std::int64_t forgotten = nowMs - m_backoff.millis(ForgetSeconds);
    SqlStatement upsert(m_connection,
                        "INSERT INTO login_failures (scope, key, failures, last_failure, blocked_until) "
                        "VALUES (?, ?, 1, ?, 0) "
                        "ON CONFLICT (scope, key) DO UPDATE SET "
                        "failures = CASE WHEN login_failures.last_failure <= ? AND login_failures.blocked_until <= ? "
                        "THEN 1 ELSE login_failures.failures + 1 END, "
                        "last_failure = excluded.last_failure "
                        "RETURNING failures");
    upsert.bindText(1, scope).bindText(2, key).bindInt(3, nowMs).bindInt(4, forgotten).bindInt(5, forgotten);
    const std::int64_t failures = upsert.step() ? upsert.integer(0) : 0;
    upsert.run();
    if (failures >= limit) {
        SqlStatement block(m_connection, "UPDATE login_failures SET blocked_until = ? WHERE scope = ? AND key = ?");
        block.bindInt(1, nowMs + m_backoff.delayMillis(failures, limit)).bindText(2, scope).bindText(3, key).run();
    }
    if (failures == 1) {
        // A new count: counts nobody added to for a long time are of no use any more.
        SqlStatement sweep(m_connection, "DELETE FROM login_failures WHERE last_failure <= ? AND blocked_until <= ?");
        sweep.bindInt(1, forgotten).bindInt(2, forgotten).run();
    }
}

std::int64_t LoginLimiter::blockedUntil(const char* scope, const std::string& key)
{
    SqlStatement query(m_connection, "SELECT blocked_until FROM login_failures WHERE scope = ? AND key = ?");
    query.bindText(1, scope).bindText(2, key);
    return query.step() ? query.integer(0) : 0;
}

LoginAttempt attemptLogin(SqlConnection& connection, const LoginBackoff& backoff, const std::string& address,
                          const std::string& name, const std::string& digest)
{
    // Checking, verifying and counting one account's attempt is one step here: a burst of
    // guesses sent at once meets the count of those before it, while right passwords sent at
    // once only queue for a few hashes' time. Other services over the database may still run
    // one attempt each for the account meanwhile.
    const std::lock_guard<std::mutex> guard(accountLock(name));
    LoginLimiter limiter(connection, backoff);
    if (auto refusal = limiter.check(address, name)) {
        logRefusal(address, name, *refusal);
        return {std::nullopt, refusal};
    }
    const auto user = AccountStore(connection).login(name, digest);
    if (user)
        limiter.succeeded(name);
    else
        limiter.failed(address, name);
    return {user, std::nullopt};
}
