#include "tags/id3/Unit2.h"

// The one shared ID3 record of the program.
ID3StructV2 ID3Tag;
