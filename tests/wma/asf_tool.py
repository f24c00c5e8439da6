#!/usr/bin/python3
# Test-only helper around python3-mutagen, a reader and writer of WMA
# attributes that shares no code with ours.
#   asf_tool.py dump FILE           every attribute, one line each, in stored order
#   asf_tool.py tag FILE PICTURE    typed attributes, several values and a
#                                   picture of PICTURE bytes
import hashlib
import sys

import mutagen.asf as asf


def dump(path):
    for name, value in asf.ASF(path).tags:
        shown = value.value
        if isinstance(shown, bytes):
            shown = "%d bytes %s" % (len(shown), hashlib.sha1(shown).hexdigest())
        print("%s\t%d\t%s\t%s\t%r" % (name, value.TYPE, value.stream, value.language, shown))


def picture(size):
    body = bytes((i * 37 + 11) & 0xFF for i in range(size))
    return (b"\x03" + size.to_bytes(4, "little") + "image/jpeg\0".encode("utf-16-le")
            + "\0".encode("utf-16-le") + body)


def tag(path, picture_size):
    f = asf.ASF(path)
    t = f.tags
    t["Title"] = [asf.ASFUnicodeAttribute("Mutagen Title")]
    t["Author"] = [asf.ASFUnicodeAttribute("Artist A"), asf.ASFUnicodeAttribute("Artist B")]
    t["WM/AlbumTitle"] = [asf.ASFUnicodeAttribute("Album \u00e9")]
    t["WM/TrackNumber"] = [asf.ASFDWordAttribute(4)]
    t["WM/Track"] = [asf.ASFDWordAttribute(4)]
    t["WM/Genre"] = [asf.ASFUnicodeAttribute("52"), asf.ASFUnicodeAttribute("Rock")]
    t["WM/Year"] = [asf.ASFUnicodeAttribute("2021")]
    t["Description"] = [asf.ASFUnicodeAttribute("first line\r\nsecond line")]
    t["WM/BeatsPerMinute"] = [asf.ASFWordAttribute(120)]
    t["IsVBR"] = [asf.ASFBoolAttribute(True)]
    t["WM/EncodingTime"] = [asf.ASFQWordAttribute(123456789012)]
    t["WM/Picture"] = [asf.ASFByteArrayAttribute(picture(picture_size))]
    f.save()


if __name__ == "__main__":
    if sys.argv[1] == "dump":
        dump(sys.argv[2])
    elif sys.argv[1] == "tag":
        tag(sys.argv[2], int(sys.argv[3]))
    else:
        sys.exit(2)
