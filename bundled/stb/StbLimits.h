/* The largest picture the stb import plug-in accepts. Shared by C and C++. */
#ifndef BUNDLED_STB_LIMITS_H
#define BUNDLED_STB_LIMITS_H

#define BUNDLED_STB_MAX_SIDE 16384
/* 64 megapixels: the decoder's RGBA copy and the DIB together stay near 512 MB. */
#define BUNDLED_STB_MAX_PIXELS (64u * 1024u * 1024u)

#endif
