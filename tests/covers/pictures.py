# Puts pictures into audio files and lists them, through python3-mutagen, so
# the cover tests judge Velmora's writes with another program's reader.
#   pictures.py add PATH TYPE MIME DESCRIPTION IMAGE [ID3VERSION]
#       adds a picture (MP3: an APIC frame, saved as ID3v2.ID3VERSION; FLAC: a
#       PICTURE block; Ogg: a METADATA_BLOCK_PICTURE comment; MP4: a covr image;
#       WMA: a WM/Picture attribute)
#   pictures.py list PATH
#       one line per picture, in file order: TYPE MIME DESCRIPTION SHA1
#       (MP4 images have no type or description: "- MIME - SHA1")
#   pictures.py others PATH
#       WMA: every attribute but the pictures, one line each, in file order
import base64
import hashlib
import sys

import mutagen
import mutagen.asf as asf
from mutagen.flac import FLAC, Picture
from mutagen.id3 import APIC, ID3
from mutagen.mp4 import MP4, MP4Cover


def sha1(data):
    return hashlib.sha1(bytes(data)).hexdigest()


def wm_picture(kind, mime, desc, data):
    return (bytes([kind]) + len(data).to_bytes(4, "little") + (mime + "\0").encode("utf-16-le")
            + (desc + "\0").encode("utf-16-le") + data)


def wm_pictures(path):
    for name, value in asf.ASF(path).tags:
        if name != "WM/Picture":
            continue
        raw = value.value
        kind, size = raw[0], int.from_bytes(raw[1:5], "little")
        texts = []
        at = 5
        for _ in range(2):
            end = at
            while end < len(raw) and raw[end:end + 2] != b"\0\0":
                end += 2
            texts.append(raw[at:end].decode("utf-16-le"))
            at = end + 2
        yield kind, texts[0], texts[1], raw[at:at + size]


def add(path, kind, mime, desc, image, id3version):
    data = open(image, "rb").read()
    if path.endswith(".wma"):
        audio = asf.ASF(path)
        audio.tags["WM/Picture"] = list(audio.tags.get("WM/Picture", [])) + [
            asf.ASFByteArrayAttribute(wm_picture(kind, mime, desc, data))]
        audio.save()
    elif path.endswith(".mp3"):
        try:
            tags = ID3(path)
        except mutagen.id3.ID3NoHeaderError:
            tags = ID3()
        tags.add(APIC(encoding=3, mime=mime, type=kind, desc=desc, data=data))
        tags.save(path, v2_version=id3version)
    elif path.endswith(".m4a"):
        audio = MP4(path)
        if audio.tags is None:
            audio.add_tags()
        fmt = MP4Cover.FORMAT_PNG if mime == "image/png" else MP4Cover.FORMAT_JPEG
        audio.tags["covr"] = list(audio.tags.get("covr", [])) + [MP4Cover(data, fmt)]
        audio.save()
    else:
        picture = Picture()
        picture.type, picture.mime, picture.desc, picture.data = kind, mime, desc, data
        audio = mutagen.File(path)
        if isinstance(audio, FLAC):
            audio.add_picture(picture)
        else:
            old = list(audio.tags.get("METADATA_BLOCK_PICTURE", []))
            audio.tags["METADATA_BLOCK_PICTURE"] = old + [
                base64.b64encode(picture.write()).decode("ascii")]
        audio.save()


def others(path):
    for name, value in asf.ASF(path).tags:
        if name != "WM/Picture":
            print(name, value.TYPE, repr(value.value))


def show(path):
    if path.endswith(".wma"):
        for kind, mime, desc, data in wm_pictures(path):
            print(kind, mime, desc or "-", sha1(data))
        return
    audio = mutagen.File(path)
    if path.endswith(".mp3"):
        # mutagen adds spaces to the descriptions of frames with equal keys.
        for frame in (audio.tags.getall("APIC") if audio.tags else []):
            print(int(frame.type), frame.mime, frame.desc.rstrip(" ") or "-", sha1(frame.data))
    elif path.endswith(".m4a"):
        for cover in (audio.tags.get("covr", []) if audio.tags else []):
            mime = "image/png" if cover.imageformat == MP4Cover.FORMAT_PNG else "image/jpeg"
            print("-", mime, "-", sha1(cover))
    else:
        pictures = list(getattr(audio, "pictures", []))
        for text in (audio.tags.get("METADATA_BLOCK_PICTURE", []) if audio.tags else []):
            pictures.append(Picture(base64.b64decode(text)))
        for p in pictures:
            print(int(p.type), p.mime, p.desc or "-", sha1(p.data))


if sys.argv[1] == "add":
    add(sys.argv[2], int(sys.argv[3]), sys.argv[4], sys.argv[5], sys.argv[6],
        int(sys.argv[7]) if len(sys.argv) > 7 else 4)
elif sys.argv[1] == "others":
    others(sys.argv[2])
else:
    show(sys.argv[2])
