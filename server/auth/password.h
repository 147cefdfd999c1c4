#pragma once

// Password hashes: Argon2id through libsodium, in its self-describing text form
// ("$argon2id$v=19$m=…,t=…,p=…$salt$hash"), so that stronger settings chosen later still
// verify the hashes stored before them.

#include <QString>

namespace server {

// The longest password accepted: a login's password waits in memory for its turn.
inline constexpr qsizetype PasswordMaxLength = 1024;

// Refuses a password too short to stand a guess, one too long, and one with characters a
// login could not send, with a message for the operator.
void requireStrongEnough(const QString& password);

// A new hash of the password with a fresh random salt. Raises when memory runs out.
QString hashPassword(const QString& password);

// True when the password matches the hash; a malformed hash matches nothing. Costs as much
// as hashing, whatever the answer.
bool verifyPassword(const QString& hash, const QString& password);

// A hash no password is known to match, for checking a login that does not exist at the
// same cost as one that does.
const QString& decoyHash();

} // namespace server
