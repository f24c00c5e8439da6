// Must not build: the base library is below the tag units
#include "tags/common/TagFields.h"
