// SPDX-License-Identifier: GPL-2.0-or-later
// What users start as nyd-search-panel. A later start only hands its command
// line to the running panel, so this does that without loading the panel's
// libraries; everything else is left to the panel itself.
#include "commandline.h"
#include "forwarder.h"
#include "guiprogram.h"
#include "socketpath.h"
#include "wireformat.h"

namespace
{
constexpr char s_appId[] = "nyd-search-panel";
constexpr int s_answerTimeoutMs = 5000;

bool isForwardable(int argc, const char *const *argv)
{
    if (!Front::isPlainPanelCommandLine(argc, argv)) {
        return false;
    }
    for (int i = 0; i < argc; ++i) {
        if (!Front::isValidUtf8(argv[i])) {
            return false;
        }
    }
    return true;
}

bool forwardedToRunningPanel(int argc, const char *const *argv)
{
    if (!isForwardable(argc, argv)) {
        return false;
    }
    const std::string payload = Front::encodeArguments(argc, argv);
    if (payload.size() > Front::MaxMessageSize) {
        return false;
    }
    const std::string socketPath = Front::socketPath(s_appId);
    return !socketPath.empty() && Front::forward(socketPath, Front::frame(payload), s_answerTimeoutMs);
}
}

int main(int argc, char **argv)
{
    // Once the panel has the message, starting the panel as well would run
    // the command twice; so this start is done, answered or not.
    if (forwardedToRunningPanel(argc, argv)) {
        return 0;
    }
    Front::execGuiProgram(argv);
    return 1;
}
