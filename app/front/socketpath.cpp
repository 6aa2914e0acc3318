// SPDX-License-Identifier: GPL-2.0-or-later
#include "socketpath.h"

#include <cstdlib>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace Front
{
namespace
{
constexpr std::size_t MaxPlainIdLength = 32;

// Ids like these name their socket unchanged; others carry a hash.
bool isPlainId(std::string_view appId)
{
    if (appId.empty() || appId.size() > MaxPlainIdLength || appId.front() == '.') {
        return false;
    }
    for (const char c : appId) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        if (!plain) {
            return false;
        }
    }
    return true;
}

// Owned by us, a directory itself rather than a link to one, and closed to
// everybody else.
bool isPrivateFolder(const std::string &path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) {
        return false;
    }
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 0777) == 0700;
}

std::string environmentValue(const char *name)
{
    const char *value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string tempFolder()
{
    const std::string temp = environmentValue("TMPDIR");
    return cleanPath(temp.empty() ? std::string_view("/tmp") : std::string_view(temp));
}

std::string privateFolder(const std::string &key)
{
    const std::string runtimeDir = cleanPath(environmentValue("XDG_RUNTIME_DIR"));
    if (!runtimeDir.empty() && runtimeDir != "." && isPrivateFolder(runtimeDir)) {
        return runtimeDir;
    }
    // Only looked at: the panel makes this folder when it starts.
    const std::string folder = tempFolder() + '/' + key;
    return isPrivateFolder(folder) ? folder : std::string();
}
}

std::string cleanPath(std::string_view path)
{
    if (path.empty()) {
        return {};
    }
    const bool absolute = path.front() == '/';
    std::vector<std::string_view> parts;
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == ".." && !parts.empty() && parts.back() != "..") {
            parts.pop_back();
        } else {
            parts.push_back(part);
        }
    }

    std::string cleaned = absolute ? "/" : "";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            cleaned += '/';
        }
        cleaned += parts[i];
    }
    return cleaned.empty() ? std::string(".") : cleaned;
}

std::string socketPath(std::string_view appId)
{
    if (!isPlainId(appId)) {
        return {};
    }
    const std::string key = std::string(appId) + '-' + std::to_string(::geteuid());
    const std::string folder = privateFolder(key);
    return folder.empty() ? std::string() : folder + '/' + key;
}
}
