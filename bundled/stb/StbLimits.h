/* The widest and tallest picture stb_image may decode in the stb import plug-in: the viewer's
   limit (framework/PictureLimits.h, which StbPlugin.cpp checks this against), here as a macro
   for the C file that builds stb_image. */
#ifndef BUNDLED_STB_LIMITS_H
#define BUNDLED_STB_LIMITS_H

#define BUNDLED_STB_MAX_SIDE 262144

#endif
