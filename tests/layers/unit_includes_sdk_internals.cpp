// Must not build: tag units use only the SDK's public interface
#include "components/wmaudsdk/AsfHeader.h"
