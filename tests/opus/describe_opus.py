# Prints what another reader (python3-mutagen) sees in an Ogg Opus file, one
# line per item, so tests can compare files before and after a write:
#   vendor <text>
#   comment <key>=<value>   (values over 200 characters as their sha1)
import hashlib
import sys

from mutagen.oggopus import OggOpus

opus = OggOpus(sys.argv[1])
print("vendor", opus.tags.vendor)
for key, value in opus.tags:
    if len(value) > 200:
        value = "sha1:" + hashlib.sha1(value.encode("utf-8", "surrogateescape")).hexdigest()
    print("comment", key + "=" + value)
