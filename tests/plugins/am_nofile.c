/* An archive plug-in without GetFile. */
#include "SusieTestPlugin.h"

SUSIE_INFO_TABLE("00AM", "Archive without GetFile", "*.anf", "Archive")
SUSIE_STUB_IS_SUPPORTED
SUSIE_STUB_ARCHIVE_INFO
SUSIE_STUB_FILE_INFO
