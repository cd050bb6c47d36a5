// What a file's name tells: its kind, by the extension.
#pragma once

// Whether a file name ends in suffix (lower case), whatever the case of its letters.
int nameEndsWith(const char* name, const char* suffix);
