#!/usr/bin/python3
"""Prints every tag value of an audio file as mutagen reads it, one per line:
KEY<TAB>VALUE, in the file's own order. Values of one key with several values
come as several lines; line breaks inside a value are shown as \\n and \\r."""
import sys

import mutagen
from mutagen.asf import ASF
from mutagen.id3 import ID3, ID3NoHeaderError
from mutagen.oggvorbis import OggVorbis


def shown(value):
    return str(value).replace("\\", "\\\\").replace("\n", "\\n").replace("\r", "\\r")


def id3_lines(path):
    try:
        tag = ID3(path)
    except ID3NoHeaderError:
        return []
    lines = []
    for frame in tag.values():
        key = frame.HashKey
        if hasattr(frame, "text"):
            lines += [f"{key}\t{shown(t)}" for t in frame.text]
        else:
            lines.append(f"{key}\t{shown(repr(frame))}")
    return lines


def main():
    path = sys.argv[1]
    if path.lower().endswith(".mp3"):
        lines = id3_lines(path)
    elif path.lower().endswith(".ogg"):
        lines = [f"{k}\t{shown(v)}" for k, v in OggVorbis(path).tags or []]
    elif path.lower().endswith(".wma"):
        lines = [f"{k}\t{type(v).__name__}:{shown(v.value)}"
                 for k, values in ASF(path).tags.items() for v in values]
    else:
        lines = [f"{k}\t{shown(v)}" for k, v in (mutagen.File(path).tags or {}).items()]
    sys.stdout.write("".join(line + "\n" for line in lines))


main()
