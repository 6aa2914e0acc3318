// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef FRONT_SOCKETPATH_H
#define FRONT_SOCKETPATH_H

#include <string>
#include <string_view>

namespace Front
{
/// @p path without empty, "." and resolvable ".." parts, read as text only.
std::string cleanPath(std::string_view path);

/**
 * Where the running instance of @p appId listens, found as LocalPeer finds
 * it. Empty when there is no private folder for it, or when @p appId would
 * need characters replaced in its file name.
 */
std::string socketPath(std::string_view appId);
}

#endif
