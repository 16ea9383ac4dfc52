/* An import plug-in that marks its loading: attaching to the process sets the environment
 * variable TOVANE_TEST_LOADED, so a test can tell whether the module was ever mapped. */
#include "SusieTestPlugin.h"

SUSIE_INFO_TABLE("00IN", "Load marker", "*.mrk", "Marker format")
SUSIE_STUB_IS_SUPPORTED
SUSIE_STUB_GET_PICTURE_INFO
SUSIE_STUB_GET_PICTURE(GetPicture)

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        SetEnvironmentVariableA("TOVANE_TEST_LOADED", "1");
    return TRUE;
}
