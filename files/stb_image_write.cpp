// The PNG encoder of stb_image_write (Debian's libstb-dev), compiled once here with its own
// flags and the checked memory of png_memory.h; picture_files.cpp uses it.
#include "files/png_memory.h"

#define STBI_WRITE_NO_STDIO
#define STBIW_MALLOC(size) pngAllocate(size)
#define STBIW_REALLOC(block, size) pngReallocate(block, size)
#define STBIW_FREE(block) pngFree(block)
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
