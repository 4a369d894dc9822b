#include "platform/Path.h"

#include <algorithm>

namespace platform {

bool IsPathSeparator(char c) {
    return c == '/' || c == '\\';
}

std::string WithTrailingSlash(std::string path) {
    if (!path.empty() && path.back() != '/') path += '/';
    return path;
}

std::string WithTrailingSeparator(std::string path) {
    if (!path.empty() && !IsPathSeparator(path.back())) path += '/';
    return path;
}

std::string WithoutTrailingSlash(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    return std::string(path);
}

std::string WithoutTrailingSeparators(std::string_view path) {
    while (path.size() > 1 && IsPathSeparator(path.back())) path.remove_suffix(1);
    return std::string(path);
}

std::string JoinPath(std::string_view dir, std::string_view name) {
    std::string d = WithoutTrailingSlash(dir);
    if (d.empty()) return std::string(name);
    return WithTrailingSlash(std::move(d)) + std::string(name);
}

std::string ToBackslashes(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string ToSlashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool HasDriveLetter(std::string_view name) {
    const auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    return name.size() >= 2 && alpha(name[0]) && name[1] == ':';
}

}  // namespace platform
