// Files in a folder of the program's own (a dive's keyframes and their manifest), opened,
// created and replaced without following symbolic links (on Windows: reparse points), so that
// a link planted there never leads a read or a write to a file outside.
#pragma once

#include <cstdint>

#include "core/platform.h"

// Opens the ordinary file at path for reading; a link, a device or a folder there fails.
ErrorCode openOwnFile(const char* path, FileRef* file);

// Creates a new file at path for writing; fails when anything, a link included, has the name.
ErrorCode createOwnFile(const char* path, FileRef* file);

// Puts the file from in place of to, replacing what to names itself (a link, not its target).
ErrorCode renameOwnFile(const char* from, const char* to);

// The code of a failure because path names something that is no own file (a link).
ErrorCode notOwnFile();

// Whether a failure of createOwnFile says that the name is taken.
int nameTaken(ErrorCode error);
