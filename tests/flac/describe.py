# Prints what another reader (python3-mutagen) sees in a FLAC or Ogg Opus
# file, one line per item, so tests can compare files before and after a write:
#   id3 <sha1>             the leading ID3v2 tag of a FLAC file
#   block <type> <sha1>    every FLAC metadata block but comments and padding
#   vendor <text>
#   comment <key>=<value>  every comment in order; a value of over 200 bytes
#                          as long:<length>:<64-bit FNV-1a of its bytes>
import hashlib
import sys

import mutagen


def sha1(data):
    return hashlib.sha1(data).hexdigest()


def fnv1a(data):
    h = 0xCBF29CE484222325
    for b in data:
        h = ((h ^ b) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return h


path = sys.argv[1]
audio = mutagen.File(path)
with open(path, "rb") as f:
    head = f.read(10)
    if head[:3] == b"ID3":
        size = 0
        for b in head[6:10]:
            size = size << 7 | b
        f.seek(0)
        print("id3", sha1(f.read(10 + size)))
for block in getattr(audio, "metadata_blocks", []):
    if block.code not in (1, 4):
        print("block", block.code, sha1(block.write()))
if audio.tags is not None:
    print("vendor", audio.tags.vendor)
    for key, value in audio.tags:
        data = value.encode("utf-8", "surrogateescape")
        if len(data) > 200:
            value = "long:%d:%016x" % (len(data), fnv1a(data))
        print("comment", key + "=" + value)
