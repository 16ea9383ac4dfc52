/* Writes the ICC profiles the colour tests need, with lcms2:
 *   make-profiles OUTPUT-FOLDER
 * p3.icc       Display P3 (P3 primaries, D65 white, sRGB's curve)
 * p3-big.icc   the same with a long characterisation text: too large for one JPEG segment
 * srgb.icc     lcms2's own sRGB, the plug-ins' target when the display has no profile */
#include <lcms2.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static cmsHPROFILE DisplayP3(void) {
    const cmsFloat64Number params[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(NULL, 4, params);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    const cmsCIExyY white = {0.3127, 0.3290, 1};
    const cmsCIExyYTRIPLE p3 = {{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};
    cmsHPROFILE h = cmsCreateRGBProfile(&white, &p3, curves);
    cmsMLU* description = cmsMLUalloc(NULL, 1);
    cmsMLUsetASCII(description, "en", "US", "Display P3 (test)");
    cmsWriteTag(h, cmsSigProfileDescriptionTag, description);
    cmsMLUfree(description);
    cmsFreeToneCurve(curve);
    return h;
}

static int Save(cmsHPROFILE h, const char* folder, const char* name) {
    char path[4096];
    snprintf(path, sizeof path, "%s/%s", folder, name);
    const int ok = cmsSaveProfileToFile(h, path);
    cmsCloseProfile(h);
    if (!ok)
        fprintf(stderr, "make-profiles: cannot write %s\n", path);
    return ok;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: make-profiles OUTPUT-FOLDER\n");
        return 2;
    }
    cmsHPROFILE big = DisplayP3();
    enum { Length = 131072 };
    char* text = malloc(Length + 1);
    for (int i = 0; i < Length; ++i)
        text[i] = (char)('a' + i % 26);
    text[Length] = 0;
    cmsMLU* target = cmsMLUalloc(NULL, 1);
    cmsMLUsetASCII(target, "en", "US", text);
    cmsWriteTag(big, cmsSigCharTargetTag, target);
    cmsMLUfree(target);
    free(text);
    return Save(DisplayP3(), argv[1], "p3.icc") && Save(big, argv[1], "p3-big.icc") &&
                   Save(cmsCreate_sRGBProfile(), argv[1], "srgb.icc")
               ? 0
               : 1;
}
