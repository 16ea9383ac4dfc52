/* A complete archive plug-in. */
#include "SusieTestPlugin.h"

SUSIE_INFO_TABLE("00AM", "Archive test plug-in", "*.arc", "Test archive")
SUSIE_STUB_IS_SUPPORTED
SUSIE_STUB_ARCHIVE_INFO
SUSIE_STUB_FILE_INFO
SUSIE_STUB_GET_FILE
