// Must not build: components are below the tag units
#include "tags/common/TagFields.h"
