#include "passwordhash.h"

#include <sodium.h>

#include <algorithm>
#include <semaphore>
#include <stdexcept>
#include <thread>

namespace passwordhash {

namespace {

// Two passes over 19 MiB: a few tens of milliseconds of one core per log-in. A busy service
// runs many log-ins at once, so the memory of each one is kept small and the passes make up
// the cost; an attacker with a stolen table still pays as much for every guess and every user.
constexpr unsigned long long Passes = 2;
constexpr std::size_t Memory = 19u * 1024 * 1024;

// Every running hash holds its 19 MiB: twice the cores keeps them all busy while a burst of
// log-ins waits here instead of growing the process without bound.
std::counting_semaphore<>& running()
{
    static std::counting_semaphore<> slots(std::max<std::ptrdiff_t>(2, 2 * std::thread::hardware_concurrency()));
    return slots;
}

class Slot
{
public:
    Slot()
    {
        // sodium_init() is safe to call from any thread and any number of times.
        if (sodium_init() < 0)
            throw std::runtime_error("libsodium could not be initialised");
        running().acquire();
    }
    ~Slot() { running().release(); }
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;
};

bool isLowerHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

} // namespace

std::string make(const std::string& digest)
{
    const Slot slot;
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, digest.data(), digest.size(), Passes, Memory) != 0)
        throw std::runtime_error("not enough memory for a password hash");
    return hash;
}

bool matches(const std::string& stored, const std::string& digest)
{
    // libsodium reads a terminated string of at most crypto_pwhash_STRBYTES - 1 characters.
    if (stored.size() >= crypto_pwhash_STRBYTES || stored.find('\0') != std::string::npos)
        return false;
    const Slot slot;
    return crypto_pwhash_str_verify(stored.c_str(), digest.data(), digest.size()) == 0;
}

bool needsRehash(const std::string& stored)
{
    if (stored.size() >= crypto_pwhash_STRBYTES || stored.find('\0') != std::string::npos)
        return true;
    return crypto_pwhash_str_needs_rehash(stored.c_str(), Passes, Memory) != 0;
}

bool isLegacyDigest(const std::string& stored)
{
    return stored.size() == 32 && std::all_of(stored.begin(), stored.end(), isLowerHex);
}

} // namespace passwordhash
