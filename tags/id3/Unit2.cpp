#include "tags/id3/Unit2.h"

// Placeholder until the ID3 reader and writer land.
ID3StructV2 ID3Tag;

void ReadMP3Tag(const std::string&) {
    ID3Tag = {};
}
void WriteMP3Tag(const std::string&, const ID3StructV2&) {}
