// Whether two paths name one file, so that a program never writes one of its outputs over
// another (p.png and ./p.png, a link and the file it leads to).
#pragma once

// 1 when a and b name the same file: where both exist, the same file of the same device (through
// symbolic and hard links); where neither does, the same full path (their folders resolved, and on
// Windows without regard to case). 0 otherwise, also when a path cannot be resolved.
int sameFile(const char* a, const char* b);
