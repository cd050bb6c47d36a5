// The temporary file of a save, named after its target and this process (see
// formatOwnTempPath), and the leftovers of earlier saves of the same target by processes that
// ended without removing theirs.
#pragma once

// Writes this process's temporary name for target (whose folder is its first folderLength
// bytes) into tempPath, and removes the files of that target's temporary names on this host
// whose process no longer runs, and this process's own of an earlier life of its id. 0 when
// no such name fits: the caller takes another name.
int prepareOwnTemp(const char* target, int folderLength, char* tempPath);
