/* The stb_image decoder, limited to the formats this plug-in offers. Its checks on picture
   size are tightened: stb_image is not written for hostile files, so nothing larger than the
   plug-in accepts (StbLimits.h) ever reaches its allocations. */
#include "bundled/stb/StbLimits.h"

#define STBI_ONLY_TGA
#define STBI_ONLY_PSD
#define STBI_ONLY_PNM
#define STBI_ONLY_HDR
#define STBI_NO_STDIO
#define STBI_MAX_DIMENSIONS BUNDLED_STB_MAX_SIDE
#define STB_IMAGE_IMPLEMENTATION
#include "stb_image.h"
