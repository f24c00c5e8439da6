#!/usr/bin/python3
"""Makes Ogg Vorbis files as other programs make and tag them, for the tests.

    make_foreign.py RECIPE OUT

oggenc encodes a tone that ffmpeg generates, or ffmpeg encodes it itself; the
comments come from vorbiscomment, ffmpeg or python3-mutagen.
"""
import base64
import os
import random
import subprocess
import sys

from mutagen.flac import Picture
from mutagen.oggvorbis import OggVorbis


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL)


def encode(out, seconds=2):
    wav = out + ".wav"
    run("ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
        "sine=frequency=440:duration=%d" % seconds, "-ac", "2", "-ar", "44100", wav)
    run("oggenc", "-Q", "-q", "0", "-o", out, wav)
    os.remove(wav)


def picture(size):
    p = Picture()
    p.type = 3
    p.mime = "image/jpeg"
    p.desc = "front"
    p.width, p.height, p.depth = 600, 600, 24
    p.data = random.Random(size).randbytes(size)
    return base64.b64encode(p.write()).decode("ascii")


def mutagen_comments(out, comments):
    f = OggVorbis(out)
    f.tags.clear()
    f.tags.extend(comments)
    f.save()


def main(recipe, out):
    if recipe == "vorbiscomment":
        encode(out)
        run("vorbiscomment", "-w", "-e", "-t", "TITLE=Song", "-t", "ARTIST=Artist A",
            "-t", "ARTIST=Artist B", "-t", "album=lower-case key", "-t", "DESCRIPTION=older",
            "-t", "COMMENT=Line 1\\r\\nLine 2", "-t", "GENRE=Rock", "-t", "TRACKNUMBER=3/12",
            "-t", "Date=2001", "-t", "REPLAYGAIN_TRACK_GAIN=-3.20 dB", out)
    elif recipe == "plain":
        encode(out)
    elif recipe == "ffmpeg":
        run("ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=330:duration=2",
            "-c:a", "libvorbis", "-metadata", "title=Song", "-metadata", "artist=Artist",
            "-metadata", "album=Album", "-metadata", "date=1999", "-metadata", "track=7",
            "-metadata", "comment=From ffmpeg", "-metadata", "genre=Jazz", out)
    elif recipe.startswith("picture"):
        size = {"picture500k": 500 * 1024, "picture2m": 2 * 1024 * 1024 - 4096}[recipe]
        encode(out)
        mutagen_comments(out, [
            ("ARTIST", "Artist A"), ("artist", "Artist B"),
            ("METADATA_BLOCK_PICTURE", picture(size)),
            ("TITLE", "Song"), ("DESCRIPTION", "older"), ("COMMENT", "Line 1\r\nLine 2\rend"),
            ("Genre", "Electro"), ("ALBUMARTIST", "Band"), ("tracknumber", "04")])
    else:
        sys.exit("unknown recipe " + recipe)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
