// AnsiText: whether text fits the program's Windows-1252 files (settings, lists).
//
// Those files hold one byte per character, so a character Windows-1252 lacks ("Ł", "€" is
// there) cannot be written to them. Everything that takes text for such a file checks it here
// first and refuses it with a message naming the character, and the writers refuse it too, so
// that no such character is ever written as "?".
#pragma once

#include <QString>
#include <optional>

namespace vz {

// The first character of `text` that Windows-1252 cannot hold; empty when it holds them all.
std::optional<char32_t> firstNonAnsiCharacter(const QString& text);

// How messages name a character: "\"Ł\" (U+0141)".
QString describeCharacter(char32_t c);

}  // namespace vz
