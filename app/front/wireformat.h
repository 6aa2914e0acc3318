// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef FRONT_WIREFORMAT_H
#define FRONT_WIREFORMAT_H

#include <cstddef>
#include <string>
#include <string_view>

// What the running panel reads from a later start: one frame, a big-endian
// length and UTF-8 text, holding the start's arguments as a JSON array of
// strings; it answers with a single byte.
namespace Front
{
constexpr std::size_t MaxMessageSize = 1024 * 1024;

/// Well-formed UTF-8 only: no overlong forms, surrogates or cut sequences.
bool isValidUtf8(std::string_view text);

/// The JSON array of all arguments, argv[0] first; each must be valid UTF-8.
std::string encodeArguments(int argc, const char *const *argv);

/// @p payload behind its length.
std::string frame(std::string_view payload);
}

#endif
