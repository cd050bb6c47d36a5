// The parameter file: the 48-byte image of a ViewParams record, with no header.
#pragma once

#include "platform.h"
#include "view_params.h"

// Writes the record to path, replacing any file of that name; 1 on success, 0 after a
// reported failure (which leaves an existing file unchanged).
int writeParamFile(WindowRef owner, const char* path, const ViewParams& params);

// Reads up to 48 bytes of path over the start of the record; a shorter file replaces only as
// many bytes as it has. 1 on success; 0 after a reported failure, with the record unchanged.
int readParamFile(WindowRef owner, const char* path, ViewParams& params);
