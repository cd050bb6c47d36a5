// The PNG encoder of stb_image_write (Debian's libstb-dev), compiled once here with its own
// flags; picture_files.cpp uses it.
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
