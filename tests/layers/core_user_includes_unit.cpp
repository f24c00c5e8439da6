// Must not build: what uses the core does not reach into the units
#include "tags/id3/Unit2.h"
