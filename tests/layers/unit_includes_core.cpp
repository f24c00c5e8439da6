// Must not build: tag units are below the core
#include "core/FileList.h"
