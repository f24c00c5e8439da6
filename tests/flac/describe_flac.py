# Prints what another reader (python3-mutagen) sees in a FLAC file, one line
# per item, so tests can compare files before and after a write:
#   id3 <sha1 of the leading ID3v2 tag>       when there is one
#   block <type> <sha1 of the block's body>   for every block but padding
#   padding                                   for every padding block
#   comment <key>=<value>                     every comment, in order
#   vendor <text>
import hashlib
import sys

from mutagen.flac import FLAC

path = sys.argv[1]
with open(path, "rb") as f:
    head = f.read(10)
    if head[:3] == b"ID3":
        size = 0
        for b in head[6:10]:
            size = size << 7 | b
        f.seek(0)
        print("id3", hashlib.sha1(f.read(10 + size)).hexdigest())
flac = FLAC(path)
for block in flac.metadata_blocks:
    if block.code == 1:
        print("padding")
    elif block.code == 4:
        print("block 4 comments")
    else:
        print("block", block.code, hashlib.sha1(block.write()).hexdigest())
if flac.tags is not None:
    print("vendor", flac.tags.vendor)
    for key, value in flac.tags:
        print("comment", key + "=" + value)
