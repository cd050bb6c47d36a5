// Names for the temporary file that a save writes beside its target. Both platforms use them;
// a header only, with nothing to link.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/platform.h"

// The longest file name (not path) that the systems take.
constexpr int kMaxFileName = 255;
// The host's name in a temporary name: at most this long, letters, digits, '-' and '_' only.
constexpr int kMaxHostPart = 32;

// How many names a save tries before it gives up on a folder full of them; more than the
// 36 one-character names that a target at the length limit leaves room for.
constexpr std::uint32_t kTempNameTries = 64;

// Writes into tempPath the first folderLength bytes of target followed by a name made from
// number: "tav", four hex digits and ".tmp" where the path has room for them, else as many
// base-36 digits as fit, so that any target that fits kMaxPath has a temporary name that fits
// too. 0 when not even one character fits.
inline int formatTempPath(char* tempPath, const char* target, int folderLength, std::uint32_t number)
{
    const int room = kMaxPath - 1 - folderLength;
    if (room < 1) return 0;
    std::memcpy(tempPath, target, static_cast<std::size_t>(folderLength));
    char* name = tempPath + folderLength;
    if (room >= 11) {
        std::snprintf(name, 12, "tav%04X.tmp", static_cast<unsigned>(number & 0xFFFFu));
        return 1;
    }
    const int digits = room < 6 ? room : 6;
    for (int i = 0; i < digits; ++i, number /= 36) name[i] = "0123456789abcdefghijklmnopqrstuvwxyz"[number % 36];
    name[digits] = '\0';
    return 1;
}

// The name of the one host part: host's name cut to kMaxHostPart, any other character '_'.
inline void formatHostPart(char (&part)[kMaxHostPart + 1], const char* host)
{
    int i = 0;
    for (; i < kMaxHostPart && host[i]; ++i) {
        const char c = host[i];
        const int plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
        part[i] = plain ? c : '_';
    }
    part[i] = '\0';
}

// The temporary name of this process's save of target: the target's own name, then
// ".tav.HOST.PID.tmp". A rerun of the same save finds what a process that no longer runs left
// behind (after kill -9, or a power cut) by that name, and the host in it keeps a folder shared
// between hosts from having another host's files taken for leftovers. 0 when it does not fit;
// host is a formatHostPart name.
inline int formatOwnTempPath(char* tempPath, const char* target, int folderLength, const char* host,
                             std::uint32_t pid)
{
    const char* name = target + folderLength;
    const int length = std::snprintf(nullptr, 0, "%s.tav.%s.%lu.tmp", name, host, static_cast<unsigned long>(pid));
    if (length > kMaxFileName || folderLength + length >= kMaxPath) return 0;
    std::memcpy(tempPath, target, static_cast<std::size_t>(folderLength));
    std::snprintf(tempPath + folderLength, static_cast<std::size_t>(length) + 1, "%s.tav.%s.%lu.tmp", name, host,
                  static_cast<unsigned long>(pid));
    return 1;
}

// Whether fileName is a temporary name that formatOwnTempPath makes on host, of any target;
// the process id in it into *pid.
inline int isOwnTempName(const char* fileName, const char* host, std::uint32_t* pid)
{
    const std::size_t length = std::strlen(fileName), hostLength = std::strlen(host);
    if (length < 4 || std::strcmp(fileName + length - 4, ".tmp") != 0) return 0;
    const char* end = fileName + length - 4;
    const char* digits = end;
    while (digits > fileName && digits[-1] >= '0' && digits[-1] <= '9') --digits;
    const std::size_t prefix = 5 + hostLength + 1;  // ".tav." HOST "."
    if (digits == end || end - digits > 10 || std::size_t(digits - fileName) <= prefix) return 0;
    const char* marker = digits - prefix;
    if (std::strncmp(marker, ".tav.", 5) != 0 || std::strncmp(marker + 5, host, hostLength) != 0 ||
        digits[-1] != '.') {
        return 0;
    }
    std::uint64_t value = 0;
    for (const char* c = digits; c < end; ++c) value = value * 10 + std::uint64_t(*c - '0');
    if (value > UINT32_MAX) return 0;
    *pid = static_cast<std::uint32_t>(value);
    return 1;
}
