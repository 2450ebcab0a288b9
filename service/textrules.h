#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

//! Checks on text that arrives from clients.
namespace textrules {

//! Whether s is well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool isValidUtf8(std::string_view s);

//! UTF-16 code units of valid UTF-8 s: characters as the desktop program counts them.
std::size_t utf16Length(std::string_view s);

//! Whether s holds C0 control characters or DEL.
bool hasControlCharacters(std::string_view s);

//! A plain decimal number ("-" allowed) within [min, max]; nothing else, no spaces.
std::optional<std::int64_t> parseDecimal(std::string_view s, std::int64_t min, std::int64_t max);

//! Decodes an application/x-www-form-urlencoded value ("+" is a space, "%XX" a byte).
std::string decodeFormValue(std::string_view s);

//! The value of key in a form-encoded body, empty when absent.
std::string formField(std::string_view body, std::string_view key);

} // namespace textrules
