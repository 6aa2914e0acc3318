// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef FRONT_FORWARDER_H
#define FRONT_FORWARDER_H

#include <string>
#include <string_view>

namespace Front
{
/**
 * Hands @p frame to whoever listens on @p socketPath and waits up to
 * @p timeoutMs for the answer. False only when nobody took the connection:
 * once it is taken the message counts as delivered, answered or not, so that
 * a command never runs twice.
 */
bool forward(const std::string &socketPath, std::string_view frame, int timeoutMs);
}

#endif
