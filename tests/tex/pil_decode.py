"""Reference decoder for the TGA tests: decodes each file with Pillow.

Usage: pil_decode.py OUT_DIR FILE...
For every FILE prints one line, "NAME ok WIDTH HEIGHT" after writing
OUT_DIR/NAME.rgba (R, G, B, A bytes, top row first), or "NAME refused REASON".

Three kinds of valid file are handed to Pillow in an equivalent form, because
this Pillow cannot read them as they are:
- a colour map of 15-bit entries in front of true-colour pixels is not
  skipped by Pillow (it reads the map as pixels): the map is removed;
- colour-mapped pixels with 15-bit map entries are misread by Pillow and
  with 32-bit entries refused: each index is replaced by its map entry,
  making a true-colour file of the entries' depth;
- run-length packets that cross a row end are refused by Pillow: the
  packets are expanded into raw pixel data first.
"""
import os
import sys

from PIL import Image


def strip_unused_map(data):
    id_len, map_type, image_type = data[0], data[1], data[2]
    map_len, map_bits = data[5] | data[6] << 8, data[7]
    if map_type != 1 or image_type & 7 != 2 or map_bits in (16, 24, 32):
        return data
    start = 18 + id_len
    header = bytearray(data[:18])
    header[1] = 0
    header[3:8] = bytes(5)
    return bytes(header) + data[18:start] + data[start + map_len * ((map_bits + 7) // 8):]


def expand_packets(data):
    width, height, bpp = data[12] | data[13] << 8, data[14] | data[15] << 8, data[16] // 8
    map_bytes = (data[5] | data[6] << 8) * ((data[7] + 7) // 8) if data[1] == 1 else 0
    pos = 18 + data[0] + map_bytes
    raw = bytearray()
    while len(raw) < width * height * bpp:
        head = data[pos]
        count = (head & 127) + 1
        if pos + 1 + (count if head < 128 else 1) * bpp > len(data):
            raise ValueError("run-length data ends early")
        if head < 128:
            raw += data[pos + 1:pos + 1 + count * bpp]
            pos += 1 + count * bpp
        else:
            raw += data[pos + 1:pos + 1 + bpp] * count
            pos += 1 + bpp
    header = bytearray(data[:18])
    header[2] &= 7
    return bytes(header) + data[18:18 + data[0] + map_bytes] + bytes(raw[:width * height * bpp])


def map_to_true_colour(data):
    if data[1] != 1 or data[2] & 7 != 1 or data[7] not in (15, 32) or data[16] != 8:
        return data
    if data[2] & 8:
        data = expand_packets(data)
    first, length, entry = data[3] | data[4] << 8, data[5] | data[6] << 8, (data[7] + 7) // 8
    start = 18 + data[0]
    colours = data[start:start + length * entry]
    pixels = bytearray()
    for index in data[start + length * entry:]:
        i = index - first
        pixels += colours[i * entry:(i + 1) * entry] if 0 <= i < length else bytes(entry)
    header = bytearray(data[:18])
    header[0], header[1], header[2] = 0, 0, 2
    header[3:8] = bytes(5)
    header[16] = entry * 8
    return bytes(header) + bytes(pixels)


def pillow_rgba(data, tmp_path):
    with open(tmp_path, "wb") as tmp:
        tmp.write(data)
    with Image.open(tmp_path) as image:
        image.load()
        return image.convert("RGBA")


def decode(path, tmp_path):
    data = map_to_true_colour(strip_unused_map(open(path, "rb").read()))
    try:
        return pillow_rgba(data, tmp_path)
    except Exception:
        if not data[2] & 8:
            raise
    return pillow_rgba(expand_packets(data), tmp_path)


def main():
    out_dir = sys.argv[1]
    tmp_path = os.path.join(out_dir, "reference.tga")
    for path in sys.argv[2:]:
        name = os.path.basename(path)
        try:
            rgba = decode(path, tmp_path)
        except Exception as error:  # any refusal: truncated, unknown mode, ...
            reason = str(error).replace("\n", " ") or type(error).__name__
            print(f"{name} refused {reason}")
            continue
        with open(os.path.join(out_dir, name + ".rgba"), "wb") as out:
            out.write(rgba.tobytes())
        print(f"{name} ok {rgba.width} {rgba.height}")


if __name__ == "__main__":
    main()
