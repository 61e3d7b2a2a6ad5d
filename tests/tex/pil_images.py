"""Reference pictures for the JPEG and PNG tests, decoded by Pillow.

Usage: pil_images.py OUT_DIR [FILE...]
Writes JPEG files made by Pillow and PNG files of every colour type, bit
depth and interlace method (written here, since Pillow writes only some of
them) to OUT_DIR, then decodes those and every FILE with Pillow. For each it
prints "NAME WIDTH HEIGHT" after writing OUT_DIR/NAME.rgba (R, G, B, A bytes,
top row first).

Pillow gives 16-bit greyscale PNG files the mode "I", whose conversion to RGBA
clips every value above 255 instead of keeping the high byte as it does for
every other 16-bit PNG; those files are converted with the high byte here.
"""
import os
import struct
import sys
import zlib

from PIL import Image


def pattern(width, height, x, y):
    """A picture with gradients, edges and a few flat areas."""
    r = (x * 255) // max(1, width - 1)
    g = (y * 255) // max(1, height - 1)
    b = 255 if (x // 4 + y // 4) % 2 else (x * y) % 256
    return r, g, b


def jpeg_files(out_dir):
    width, height = 61, 37
    rgb = Image.new("RGB", (width, height))
    rgb.putdata([pattern(width, height, i % width, i // width) for i in range(width * height)])
    variants = {
        "baseline420.jpg": dict(quality=75),
        "baseline444.jpg": dict(quality=90, subsampling=0),
        "baseline422.jpg": dict(quality=50, subsampling=1),
        "progressive.jpg": dict(quality=80, progressive=True),
        "optimized.jpg": dict(quality=95, optimize=True),
    }
    names = []
    for name, options in variants.items():
        rgb.save(os.path.join(out_dir, name), "JPEG", **options)
        names.append(name)
    rgb.convert("L").save(os.path.join(out_dir, "grey.jpg"), "JPEG", quality=85)
    names.append("grey.jpg")
    big = rgb.resize((1300, 700))
    big.save(os.path.join(out_dir, "large.jpg"), "JPEG", quality=70)
    names.append("large.jpg")
    return names


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def pack_row(samples, depth):
    if depth == 8:
        return bytes(samples)
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    out, acc, bits = bytearray(), 0, 0
    for s in samples:
        acc, bits = (acc << depth) | s, bits + depth
        if bits == 8:
            out.append(acc)
            acc, bits = 0, 0
    if bits:
        out.append(acc << (8 - bits))
    return bytes(out)


ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def png_file(path, width, height, color_type, depth, sample, interlace=0, extra=b""):
    """sample(x, y) gives the samples of one pixel; filter type 0 throughout."""
    raw = bytearray()
    passes = ADAM7 if interlace else [(0, 0, 1, 1)]
    for x0, y0, dx, dy in passes:
        xs = range(x0, width, dx)
        if not xs:
            continue
        for y in range(y0, height, dy):
            raw.append(0)
            raw += pack_row([s for x in xs for s in sample(x, y)], depth)
    ihdr = struct.pack(">IIBBBBB", width, height, depth, color_type, 0, 0, interlace)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra +
                  chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b""))


def png_files(out_dir):
    w, h = 13, 11
    made = []

    def add(name, *args, **kwargs):
        png_file(os.path.join(out_dir, name), w, h, *args, **kwargs)
        made.append(name)

    grey = lambda depth: (lambda x, y: [((x * 7 + y * 3) % 16 * 17 * 257) >> (16 - depth)])
    for depth in (1, 2, 4, 8, 16):
        add(f"grey{depth}.png", 0, depth, grey(depth))
    add("grey8_trns.png", 0, 8, grey(8), extra=chunk(b"tRNS", struct.pack(">H", 0x44)))
    add("grey_alpha8.png", 4, 8, lambda x, y: [x * 19, y * 23])
    add("grey_alpha16.png", 4, 16, lambda x, y: [x * 5000, y * 6000 % 65536])
    add("rgb8.png", 2, 8, lambda x, y: pattern(w, h, x, y))
    add("rgb16.png", 2, 16, lambda x, y: [c * 256 + x for c in pattern(w, h, x, y)])
    add("rgb8_trns.png", 2, 8, lambda x, y: pattern(w, h, x, y) if x else (1, 2, 3),
        extra=chunk(b"tRNS", struct.pack(">HHH", 1, 2, 3)))
    add("rgba8.png", 6, 8, lambda x, y: list(pattern(w, h, x, y)) + [(x * y * 9) % 256])
    add("rgba16.png", 6, 16, lambda x, y: [c * 256 for c in pattern(w, h, x, y)] + [x * 4000])
    add("rgba8_interlaced.png", 6, 8, lambda x, y: list(pattern(w, h, x, y)) + [200], interlace=1)
    add("grey2_interlaced.png", 0, 2, lambda x, y: [(x + y) % 4], interlace=1)
    for depth in (1, 2, 4, 8):
        entries = 1 << depth
        plte = chunk(b"PLTE", b"".join(bytes(((i * 37) % 256, (i * 91) % 256, (i * 13) % 256))
                                       for i in range(entries)))
        trns = chunk(b"tRNS", bytes((i * 50) % 256 for i in range(entries // 2 + 1)))
        index = lambda x, y, n=entries: [(x + 2 * y) % n]
        add(f"palette{depth}.png", 3, depth, index, extra=plte)
        add(f"palette{depth}_trns.png", 3, depth, index, extra=plte + trns)
    return made


def reference(path):
    with Image.open(path) as image:
        image.load()
        if image.mode in ("I", "I;16", "I;16B"):
            values = [v >> 8 for v in image.getdata()]
            grey = Image.new("L", image.size)
            grey.putdata(values)
            return grey.convert("RGBA")
        return image.convert("RGBA")


def main():
    out_dir = sys.argv[1]
    paths = [os.path.join(out_dir, n) for n in jpeg_files(out_dir) + png_files(out_dir)]
    for path in paths + sys.argv[2:]:
        name = os.path.basename(path)
        rgba = reference(path)
        with open(os.path.join(out_dir, name + ".rgba"), "wb") as out:
            out.write(rgba.tobytes())
        print(f"{name} {rgba.width} {rgba.height}")


if __name__ == "__main__":
    main()
