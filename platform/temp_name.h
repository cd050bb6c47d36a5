// Names for the temporary file that a save writes beside its target. Both platforms use them;
// a header only, with nothing to link.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/platform.h"

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
