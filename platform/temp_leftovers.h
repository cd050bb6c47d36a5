// The temporary file of a save, named after its target, host and process (see
// formatOwnTempPath), and the leftovers of processes on this host that ended without removing
// theirs (kill -9, a power cut).
#pragma once

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

// Writes this process's temporary name for target (whose folder is its first folderLength
// bytes) into tempPath and removes a file of that name (left by an earlier process of the same
// id); the first time in a folder, also removes the temporary files there of this host's
// processes that no longer run. 0 when no such name fits: the caller takes another name.
int prepareOwnTemp(const char* target, int folderLength, char* tempPath);

// Whether this process looks into folder for the first time. Leftovers are looked for once a
// folder: a dive saves thousands of frames into one, and listing it each time costs about 1 ms
// for 2,000 files.
inline int firstLookInto(const std::string& folder)
{
    static std::mutex lock;
    static std::vector<std::string> seen;
    const std::lock_guard<std::mutex> hold(lock);
    if (std::find(seen.begin(), seen.end(), folder) != seen.end()) return 0;
    seen.push_back(folder);
    return 1;
}
