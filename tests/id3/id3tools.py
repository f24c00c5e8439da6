#!/usr/bin/python3
"""Independent view and making of ID3 tags for the MP3 tests, through mutagen.

  id3tools.py dump FILE           every frame as mutagen reads it, one a line,
                                  then the ID3v1 trailer's bytes
  id3tools.py make VERSION FILE   tags FILE the way a library would: several
                                  artists and genres, comments in two
                                  languages and one with a description, a
                                  recording time, lyrics, a 2 MB cover
"""
import hashlib
import sys

from mutagen.id3 import (APIC, COMM, ID3, ID3NoHeaderError, TALB, TCON, TDRC, TIT2, TPE1, TRCK,
                         TXXX, USLT, Encoding)


def dump(path):
    try:
        tags = ID3(path, translate=False, load_v1=False)
        print("version", tags.version[:2])
    except ID3NoHeaderError:
        tags = {}
        print("version none")
    for frame in tags.values():
        if hasattr(frame, "data"):
            print(frame.HashKey, getattr(frame, "mime", ""), getattr(frame, "type", ""),
                  hashlib.md5(frame.data).hexdigest())
        else:
            print(frame.HashKey, repr(frame))
    with open(path, "rb") as f:
        f.seek(-128, 2)
        trailer = f.read(128)
    print("v1", trailer.hex() if trailer[:3] == b"TAG" else "none")


def make(version, path):
    tags = ID3()
    tags.add(TIT2(encoding=Encoding.UTF16, text=["Mutagen T\u00eftle"]))
    tags.add(TPE1(encoding=Encoding.UTF16, text=["Artist A", "Artist B"]))
    tags.add(TALB(encoding=Encoding.LATIN1, text=["Album"]))
    tags.add(TCON(encoding=Encoding.LATIN1, text=["52", "Rock"]))
    tags.add(TRCK(encoding=Encoding.LATIN1, text=["4/12"]))
    tags.add(TDRC(encoding=Encoding.LATIN1, text=["2021-03-04T10:20"]))
    tags.add(COMM(encoding=Encoding.UTF16, lang="deu", desc="", text=["Deutsch \u00e4"]))
    tags.add(COMM(encoding=Encoding.LATIN1, lang="eng", desc="", text=["English"]))
    tags.add(COMM(encoding=Encoding.LATIN1, lang="eng", desc="iTunNORM", text=[" 1 2 3"]))
    tags.add(USLT(encoding=Encoding.UTF16, lang="eng", desc="", text="la la\r\nla"))
    tags.add(TXXX(encoding=Encoding.LATIN1, desc="REPLAYGAIN_TRACK_GAIN", text=["-6.5 dB"]))
    cover = bytes((i * 7919) & 0xFF for i in range(2 * 1024 * 1024))
    tags.add(APIC(encoding=Encoding.LATIN1, mime="image/jpeg", type=3, desc="", data=cover))
    tags.save(path, v2_version=int(version), padding=lambda info: 1024)


if __name__ == "__main__":
    if sys.argv[1] == "dump":
        dump(sys.argv[2])
    else:
        make(sys.argv[2], sys.argv[3])
