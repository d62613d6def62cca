#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace pellicor {

// MD5 digest (RFC 1321) of a byte string.
std::array<std::uint8_t, 16> MD5Digest(const std::string& data);

// The MD5-based crypt hash "$1$" + salt + "$" + 22 characters, as Protect stores it.
// Salt rules: a leading "$1$" is dropped; two or more characters are cut to the first two;
// an empty or one-character salt is replaced by two random characters of the alphabet
// "./0-9A-Za-z".
std::string MD5Crypt(const std::string& password, const std::string& salt = "");

// The salt of a "$1$" hash (the text between the magic and the next '$'); empty when the
// text is not such a hash.
std::string MD5CryptSalt(const std::string& hash);

}  // namespace pellicor
