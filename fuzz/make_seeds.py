#!/usr/bin/env python3
"""Writes the hand-made seed inputs of the fuzz targets into fuzz/corpus/.

Each seed starts with the header its target documents at the top of its
source file. Run it again after changing a header layout; inputs found by
fuzzing (crash regressions) live beside these seeds and are kept as they are.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def sj(text):
    return text.encode("cp932")


def put(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# ---- fuzz_readtext: 10-byte header, list bytes, text ----
def readtext_header(tag=1, nline=1, font=0, pagebar=1, start=None, lists=0,
                    scripted=False, speed=0, script=(0, 0, 0, 0), end=0, end_at=0,
                    brightness=70, places=0):
    tag_i = [0, 1, 7, -1].index(tag)
    nline_i = [0, 1, 3, -1].index(nline)
    font_i = [1, 0, 2, -1].index(font)
    h0 = tag_i | nline_i << 2 | font_i << 4 | pagebar << 6 | (0x80 if start is not None else 0)
    s = struct.pack("<h", start or 0)
    h4 = (2 if scripted else 0) | [0, 1, 3, -5].index(speed) << 2
    h5 = script[0] | script[1] << 3
    h6 = script[2] | script[3] << 3 | end << 6
    return bytes([h0, lists]) + s + bytes([h4, h5, h6, end_at, (brightness // 2) & 0xFF, places])


novel = (sj("<html><body><b>吾輩は猫である。</b>\r\n名前はまだ無い。\n\n")
         + sj("「どこで生れたか」とんと見当がつかぬ。") + b"\xb6\xde\xdd\xc0\xde\xd1 ABC  def\n"
         + sj("　何でも薄暗い<!-- a tag\nacross a line -->じめじめした所で") + b"\n")
put("fuzz_readtext", "novel", readtext_header(font=1) + novel)

kinsoku = (sj("あ" * 24 + "。」") + b"\n" + sj("い" * 23 + "「う」") + b"\n\n\n"
           + sj("！？え。」お") + b"\x0a\xf0\x41\x7f\x80 <b>open tag \x82")
put("fuzz_readtext", "kinsoku-font-input",
    readtext_header(font=0, nline=0, start=0, lists=2, scripted=True, speed=1,
                    script=(0, 2, 1, 0), end=1, end_at=40, brightness=50)
    + bytes([4]) + sj("」。") + kinsoku)

pages = sj("あいうえお\n\nかきくけこ\n") * 20 + sj("最後の行")
put("fuzz_readtext", "pages-resume",
    readtext_header(font=1, start=30, pagebar=1, tag=0, end=2, end_at=200, brightness=100,
                    places=0x80 | 4 << 3 | 3) + pages)

# ---- fuzz_ini: count, 4-byte writes, file ----
ini = (b"; comment line\r\n[Continue]\r\nText=C:\\novels\\a.txt\r\nIndex=120\r\n"
       b"Length=4000\r\n\r\n[System]\r\nMsgSpeed= 0x1E\r\nHeadWord=\"" + sj("、。") + b"\"\r\n"
       b"Unknown=keep me\r\n[Mine]\nkey = value with blanks  \n" + sj("[日本語]") + b"\n"
       + sj("キー") + b"=" + sj("値") + b"\nlast line without a line end")
ops = [(0, 0, 0, 28), (1, 3, 2, 5), (0, 6, 5, 11), (0, 10, 11, 30), (2, 1, 1, 33)]
put("fuzz_ini", "settings", bytes([len(ops)]) + b"".join(bytes(o) for o in ops) + ini)
put("fuzz_ini", "no-writes", b"\x00[a]\nb=c\r\n\r\n[A]\r\nB=\"  quoted  \"\n;x=y\n")

# ---- fuzz_fontdata: fill, mode, n, file, commands ----
blank = bytes([16]) * 576
ramp = bytes((r + c) % 17 for r in range(24) for c in range(24))
damaged = bytes((r * 24 + c) % 256 for r in range(24) for c in range(24))
fdt = blank + ramp + damaged + bytes(100)


def draw(x, y, codes, kind=0):
    return bytes([kind]) + struct.pack("<ii", x, y) + bytes([len(codes)]) + codes


commands = (draw(20, 19, b"\x81\x40\x81\x41\x81\x42") +
            draw(-10, -5, b"\x81\x41\xef\xfc\x80\x40\x81", kind=2) +
            draw(5, 3, b"\x81\x41\x00\x81\x41", kind=2) +
            draw(630, 470, b"\x81\x41", kind=4) +
            draw(2**31 - 30, 5, b"\x81\x41\x81\x41") +
            draw(-2**31, 470, b"\x81\x41", kind=1) +
            draw(0, 0, b"\x81\x41", kind=3))
put("fuzz_fontdata", "fdt-prefix", bytes([0, 0]) + struct.pack("<H", len(fdt)) + fdt + commands)
put("fuzz_fontdata", "font-mode", bytes([0xff, 0x0f]) + struct.pack("<H", 0) + commands)


# ---- fuzz_bitmap: brightness byte, BMP file ----
def bmp(width, height, bpp, pixels, palette=b"", compression=0, top_down=False):
    header_size = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bpp,
                       compression, len(pixels), 2835, 2835, len(palette) // 4, 0)
    return (b"BM" + struct.pack("<IHHI", header_size + len(pixels), 0, 0, header_size)
            + info + palette + pixels)


# 2 x 2, 24 bits: rows padded to 4 bytes, bottom row first.
put("fuzz_bitmap", "bgr24", bytes([50]) + bmp(2, 2, 24,
    bytes([255, 0, 0, 0, 255, 0, 0, 0]) + bytes([0, 0, 255, 255, 255, 255, 0, 0])))
palette = bytes([0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 0, 0, 255, 0, 0])
put("fuzz_bitmap", "pal8", bytes([25]) + bmp(3, 2, 8, bytes([0, 1, 2, 0, 3, 2, 1, 0]), palette))
put("fuzz_bitmap", "mono-top-down", bytes([0xfb]) + bmp(9, 3, 1,
    bytes([0xaa, 0x80, 0, 0, 0x55, 0, 0, 0, 0xff, 0x80, 0, 0]), palette[:8], top_down=True))
# A run of four, end of line, an absolute run of four, end of bitmap.
rle8 = bytes([4, 1, 0, 0, 0, 4, 3, 2, 0, 1, 0, 1])
put("fuzz_bitmap", "rle8", bytes([50]) + bmp(4, 2, 8, rle8, palette, compression=1))
# 16 bits with 5-6-5 masks after the header, 2 x 1.
put("fuzz_bitmap", "bitfields565", bytes([50]) + bmp(2, 1, 16, bytes([0x1f, 0xf8, 0xe0, 0x07]),
    struct.pack("<III", 0xf800, 0x07e0, 0x001f), compression=3))
# 32 bits, 1 x 2.
put("fuzz_bitmap", "bgrx32", bytes([50]) + bmp(1, 2, 32, bytes([1, 2, 3, 0, 4, 5, 6, 0])))
# The old 12-byte header, 4 bits, a full palette of three-byte entries, 3 x 2.
core = struct.pack("<IHHHH", 12, 3, 2, 1, 4)
core_palette = bytes([0, 0, 0, 255, 255, 255, 0, 0, 255]) + bytes(13 * 3)
core_pixels = bytes([0x01, 0x20, 0, 0, 0x21, 0x00, 0, 0])
core_offset = 14 + len(core) + len(core_palette)
put("fuzz_bitmap", "core-header4", bytes([50]) + b"BM"
    + struct.pack("<IHHI", core_offset + len(core_pixels), 0, 0, core_offset)
    + core + core_palette + core_pixels)
