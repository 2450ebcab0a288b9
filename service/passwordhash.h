#pragma once

#include <string>

//! The slow salted hashes the users table keeps: Argon2id strings of libsodium
//! ("$argon2id$v=19$m=…"), made from the digest the program sends as "cpassword". The salt is
//! random, so two users with the same password keep different values, and a stored value is
//! no credential: verify needs what it was made from.
namespace passwordhash {

//! A new hash of digest. At most a bounded number of hashes run at once in the process; a
//! caller beyond that waits. Throws std::runtime_error when memory for the hash is lacking.
std::string make(const std::string& digest);

//! Whether stored is the hash of digest; false for anything that is not such a hash. Waits
//! like make().
bool matches(const std::string& stored, const std::string& digest);

//! Whether stored was made with other costs than make() uses now, or is no hash at all.
bool needsRehash(const std::string& stored);

//! Whether stored is an MD5 digest of an older service: 32 lower-case hexadecimal digits.
bool isLegacyDigest(const std::string& stored);

} // namespace passwordhash
