// The only file that sees the generated header, so that a new version rebuilds only it.
#include "take/version.h"

#include "velmora_version.h"

const char* programVersion() { return VELMORA_VERSION; }
