/* An import plug-in whose filter entries exercise format registration: several patterns in
 * one entry, a two-dot pattern, an entry ending in ";", and the bitmap extension. */
#include "SusieTestPlugin.h"

SUSIE_INFO_TABLE("00IN", "Formats test plug-in", "*.jpg;*.jpeg;*.jpe", "JPEG test", "*.tar.gz",
                 "Tarball test", "*.xq;", "Trailing test", "*.bmp", "Bitmap test")
SUSIE_STUB_IS_SUPPORTED
SUSIE_STUB_GET_PICTURE_INFO
SUSIE_STUB_GET_PICTURE(GetPicture)
