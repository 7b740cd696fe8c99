#!/usr/bin/env python3
# tools/art/make_art.py: generates the launcher's built-in picture and icon, and the medium's skins and click sounds.
"""Usage:
  make_art.py resources OUTDIR   -> OUTDIR/builtin.bmp, OUTDIR/builtin-png.bmp, OUTDIR/MAINICON.ico
  make_art.py medium OUTDIR      -> OUTDIR/Autorun/{English,Korean,Sound}/...

ImageMagick (/usr/bin/convert) only renders text and shapes into raw RGB; every
file header is written here, so the formats are exactly what the launcher expects:
24-bit BI_RGB bitmaps, bottom-up, 40-byte information header. The built-in picture
is written twice: builtin.bmp, the plain picture that the tests compare the screen
with, and builtin-png.bmp, the same pixels as the executable carries them (a
40-byte header announcing PNG data, BI_PNG, then a lossless palette PNG).
"""
import math
import os
import struct
import subprocess
import sys
import wave
import zlib

CONVERT = "/usr/bin/convert"
WIDTH, HEIGHT = 600, 400
BI_PNG = 5

FONT_SANS = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
FONT_HANGUL = "/usr/share/fonts/truetype/nanum/NanumGothic.ttf"
FONT_HANGUL_BOLD = "/usr/share/fonts/truetype/nanum/NanumGothicBold.ttf"

# Menu zones in skin pixels, (left, top, right, bottom); the highlight covers
# columns left..right-1 and rows top..bottom-1.
ZONES = {
    "install": (20, 52, 220, 77),
    "uninstall": (20, 87, 220, 112),
    "browse": (20, 120, 145, 145),
    "exit": (20, 155, 145, 180),
}

LANGUAGES = {
    "English": {
        "suffix": "Eng",
        "labels": {"install": "Install", "uninstall": "Uninstall Driver",
                   "browse": "Browse CD", "exit": "Exit"},
        "heading": "Setup menu",
        "subtitle": "TV Receiver Cards",
        "footer": "Installation CD",
        "font": FONT_SANS,
        "font_bold": FONT_BOLD,
        "colours": ((8, 26, 64), (24, 118, 150)),
    },
    "Korean": {
        "suffix": "Kor",
        "labels": {"install": "설치", "uninstall": "드라이버 제거",
                   "browse": "CD 찾아보기", "exit": "종료"},
        "heading": "설치 메뉴",
        "subtitle": "TV 수신 카드",
        "footer": "설치 CD",
        "font": FONT_HANGUL,
        "font_bold": FONT_HANGUL_BOLD,
        "colours": ((52, 14, 58), (160, 62, 88)),
    },
}

BUILTIN_COLOUR = (36, 52, 46)
# Colours of the built-in picture: with 20 its subtitle loses its blue, with 16 the waveform its cyan.
BUILTIN_COLOURS = 24


# --- raster helpers -------------------------------------------------------

def gradient(size, colours, glow_centre=(440, 110)):
    """Diagonal two-colour gradient with a soft glow behind the product name, as PPM bytes."""
    width, height = size
    (r0, g0, b0), (r1, g1, b1) = colours
    gx, gy = glow_centre
    out = bytearray(b"P6 %d %d 255\n" % (width, height))
    span = float(width * 0.5 + height)
    for y in range(height):
        row = bytearray(width * 3)
        for x in range(width):
            t = (x * 0.5 + y) / span
            glow = max(0.0, 1.0 - math.hypot(x - gx, (y - gy) * 1.6) / 260.0) * 46.0
            # A faint diagonal weave keeps the flat areas from being one colour.
            weave = 5.0 if ((x + y) // 6) % 2 == 0 else 0.0
            i = x * 3
            row[i] = min(255, int(r0 + (r1 - r0) * t + glow + weave))
            row[i + 1] = min(255, int(g0 + (g1 - g0) * t + glow + weave))
            row[i + 2] = min(255, int(b0 + (b1 - b0) * t + glow * 1.2 + weave))
        out += row
    return bytes(out)


def render(ppm, draw_args):
    """Runs convert over a PPM background with the given drawing arguments; returns raw RGB rows, top-down."""
    cmd = [CONVERT, "ppm:-"] + draw_args + ["-depth", "8", "rgb:-"]
    raw = subprocess.run(cmd, input=ppm, stdout=subprocess.PIPE, check=True).stdout
    if len(raw) != WIDTH * HEIGHT * 3:
        raise SystemExit("convert returned %d bytes, expected %d" % (len(raw), WIDTH * HEIGHT * 3))
    return bytearray(raw)


def reduce_colours(rgb, count):
    """The picture in at most count colours, each pixel mapped to its nearest without dithering."""
    cmd = [CONVERT, "-size", "%dx%d" % (WIDTH, HEIGHT), "-depth", "8", "rgb:-", "+dither", "-colors", str(count),
           "-depth", "8", "rgb:-"]
    return bytearray(subprocess.run(cmd, input=bytes(rgb), stdout=subprocess.PIPE, check=True).stdout)


def write_bmp(path, rgb, width=WIDTH, height=HEIGHT):
    """Writes top-down RGB rows as a 24-bit BI_RGB bitmap: bottom-up, BGR, rows padded to 4 bytes."""
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(height - 1, -1, -1):
        row = rgb[y * width * 3:(y + 1) * width * 3]
        bgr = bytearray(len(row))
        bgr[0::3], bgr[1::3], bgr[2::3] = row[2::3], row[1::3], row[0::3]
        pixels += bgr + b"\0" * (stride - width * 3)
    offset = 14 + 40
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    with open(path, "wb") as f:
        f.write(header + info + pixels)
    check_bmp(path, width, height)


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def palette_png(rgb, width, height):
    """Top-down RGB rows of at most 256 colours as an 8-bit palette PNG, deflated at zlib's best.

    Every row is left unfiltered: on palette indices the byte differences of the other filters only
    break up the runs that deflate finds (the picture's PNG grows by 14 % with Sub, 26 % with Up)."""
    pixels = [bytes(rgb[i:i + 3]) for i in range(0, len(rgb), 3)]
    palette = sorted(set(pixels))
    if len(palette) > 256:
        raise SystemExit("%d colours do not fit a PNG palette" % len(palette))
    index = {colour: n for n, colour in enumerate(palette)}
    rows = bytearray()
    for y in range(height):
        rows += b"\0" + bytes(index[p] for p in pixels[y * width:(y + 1) * width])
    deflate = zlib.compressobj(9, zlib.DEFLATED, 15, 9)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 3, 0, 0, 0))
            + png_chunk(b"PLTE", b"".join(palette))
            + png_chunk(b"IDAT", deflate.compress(bytes(rows)) + deflate.flush()) + png_chunk(b"IEND", b""))


def write_png_bmp(path, rgb, width=WIDTH, height=HEIGHT):
    """Writes top-down RGB rows as a bitmap file whose information header announces PNG data (BI_PNG)."""
    png = palette_png(rgb, width, height)
    decoded = subprocess.run([CONVERT, "png:-", "-depth", "8", "rgb:-"], input=png, stdout=subprocess.PIPE,
                             check=True).stdout
    if decoded != bytes(rgb):
        raise SystemExit("%s: the PNG does not give back the picture's pixels" % path)
    offset = 14 + 40
    header = struct.pack("<2sIHHI", b"BM", offset + len(png), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, BI_PNG, len(png), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + png)


def check_bmp(path, width, height):
    with open(path, "rb") as f:
        data = f.read()
    magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    hsize, w, h, planes, bpp, comp = struct.unpack_from("<IiiHHI", data, 14)
    stride = (width * 3 + 3) & ~3
    ok = (magic == b"BM" and size == len(data) and offset == 54 and hsize == 40 and w == width
          and h == height and planes == 1 and bpp == 24 and comp == 0
          and len(data) == 54 + stride * height)
    if not ok:
        raise SystemExit("%s: not a %dx%d 24-bit bitmap" % (path, width, height))


# --- skins ----------------------------------------------------------------

def annotate(font, size, colour, x, y, text):
    return ["-font", font, "-pointsize", str(size), "-fill", colour, "-annotate", "+%d+%d" % (x, y), text]


def frame_args(lang, extra_caption=None):
    """Everything outside the menu entries: product name, heading, a stylised screen, the footer."""
    args = ["-stroke", "none"]
    args += annotate(FONT_BOLD, 54, "rgba(0,0,0,0.35)", 283, 118, "Veltrana")
    args += annotate(FONT_BOLD, 54, "#f4f8ff", 280, 115, "Veltrana")
    args += annotate(lang["font_bold"], 22, "#cfe3ff", 284, 148, lang["subtitle"])
    args += annotate(lang["font_bold"], 17, "#ffffff", 22, 38, lang["heading"])
    args += ["-stroke", "rgba(255,255,255,0.55)", "-strokewidth", "1",
             "-draw", "line 22,44 218,44", "-stroke", "none"]
    # A television outline with a waveform on the right-hand side.
    args += ["-fill", "rgba(0,0,0,0.25)", "-stroke", "rgba(255,255,255,0.7)", "-strokewidth", "3",
             "-draw", "roundrectangle 330,190 540,330 14,14",
             "-draw", "line 400,352 470,352", "-draw", "line 435,330 435,352",
             "-fill", "none", "-stroke", "rgba(120,230,255,0.9)", "-strokewidth", "2",
             "-draw", "path 'M 345,262 C 375,212 395,212 415,262 S 455,312 475,262 S 515,212 525,262'",
             "-stroke", "none"]
    args += annotate(lang["font"], 13, "rgba(255,255,255,0.75)", 22, 386, lang["footer"])
    if extra_caption:
        args += ["-fill", "#ffd24a", "-draw", "roundrectangle 470,366 586,390 5,5"]
        args += annotate(FONT_BOLD, 14, "#202020", 480, 384, extra_caption)
    return args


def entry_args(lang, highlighted):
    """The four menu entries, each kept within its zone's highlight piece."""
    args = []
    for key, (left, top, right, bottom) in ZONES.items():
        x0, y0, x1, y1 = left, top, right - 1, bottom - 1
        if highlighted:
            args += ["-fill", "#ffb428", "-stroke", "#fff1b0", "-strokewidth", "1",
                     "-draw", "roundrectangle %d,%d %d,%d 5,5" % (x0, y0, x1, y1),
                     "-stroke", "none", "-fill", "#6a2a00",
                     "-draw", "polygon %d,%d %d,%d %d,%d" % (x0 + 7, y0 + 6, x0 + 7, y1 - 6, x0 + 15, (y0 + y1) // 2)]
            text_colour = "#1e1206"
        else:
            args += ["-fill", "rgba(255,255,255,0.10)", "-stroke", "rgba(255,255,255,0.35)", "-strokewidth", "1",
                     "-draw", "roundrectangle %d,%d %d,%d 5,5" % (x0, y0, x1, y1),
                     "-stroke", "none", "-fill", "rgba(255,255,255,0.8)",
                     "-draw", "circle %d,%d %d,%d" % (x0 + 11, (y0 + y1) // 2, x0 + 14, (y0 + y1) // 2)]
            text_colour = "#ffffff"
        args += ["-stroke", "none"] + annotate(lang["font_bold"], 15, text_colour, x0 + 22, y1 - 7, lang["labels"][key])
    return args


def compose_fore(back, fore_candidate):
    """Fore image: the back image everywhere except the highlight pieces, which must differ in every pixel."""
    fore = bytearray(back)
    for left, top, right, bottom in ZONES.values():
        for y in range(top, bottom):
            for x in range(left, right):
                i = (y * WIDTH + x) * 3
                px = fore_candidate[i:i + 3]
                if px == back[i:i + 3]:
                    px = bytes(255 - c for c in px)
                fore[i:i + 3] = px
    return fore


def make_skins(outdir):
    for folder, lang in LANGUAGES.items():
        background = gradient((WIDTH, HEIGHT), lang["colours"])
        back = render(background, frame_args(lang) + entry_args(lang, False))
        fore = compose_fore(back, render(background, frame_args(lang) + entry_args(lang, True)))
        base = os.path.join(outdir, "Autorun", folder)
        write_bmp(os.path.join(base, "ZoBack_%s.bmp" % lang["suffix"]), back)
        write_bmp(os.path.join(base, "ZoFore_%s.bmp" % lang["suffix"]), fore)


def solid(size, colour):
    """One colour all over, as PPM bytes."""
    width, height = size
    return b"P6 %d %d 255\n" % (width, height) + bytes(colour) * (width * height)


def make_builtin(outdir):
    lang = LANGUAGES["English"]
    # The picture travels inside Launch.exe, which every start reads from the medium: a plain background and
    # BUILTIN_COLOURS colours, no dithering, make it a 6.5 KB palette PNG, where the rendered 1,255 colours
    # took 25 KB and a gradient 89 KB.
    background = solid((WIDTH, HEIGHT), BUILTIN_COLOUR)
    rendered = render(background, frame_args(lang, extra_caption="built-in") + entry_args(lang, False))
    rgb = reduce_colours(rendered, BUILTIN_COLOURS)
    write_bmp(os.path.join(outdir, "builtin.bmp"), rgb)
    write_png_bmp(os.path.join(outdir, "builtin-png.bmp"), rgb)


# --- icon -----------------------------------------------------------------

def icon_pixel(x, y):
    """A stylised television, 32 x 32: returns (r, g, b) or None for transparent."""
    # Antennas: two diagonal strokes meeting at (16, 8).
    for tip in (9, 23):
        if 1 <= y <= 7:
            ax = 16 + (tip - 16) * (8 - y) / 7.0
            if abs(x - ax) < 0.9:
                return (200, 200, 210)
    if 8 <= y <= 26 and 2 <= x <= 29:
        corner = (x in (2, 29)) and (y in (8, 26))
        if corner:
            return None
        if 5 <= x <= 22 and 11 <= y <= 23:
            # Screen: blue gradient with a bright sine wave.
            wave_y = 17 + 3.5 * math.sin((x - 5) / 17.0 * 2 * math.pi)
            if abs(y - wave_y) < 0.9:
                return (150, 240, 255)
            t = (y - 11) / 12.0
            return (int(20 + 30 * t), int(70 + 60 * t), int(160 + 60 * t))
        if 25 <= x <= 27 and y in (12, 16):
            return (255, 200, 60)  # knobs
        if 24 <= x <= 27 and 20 <= y <= 23:
            return (40, 40, 40) if (x + y) % 2 else (90, 90, 90)  # speaker grille
        return (150, 80, 40)  # cabinet
    if y in (27, 28) and (6 <= x <= 8 or 23 <= x <= 25):
        return (70, 40, 20)  # feet
    return None


def write_icon(path):
    size = 32
    xor = bytearray()
    and_mask = bytearray()
    for y in range(size - 1, -1, -1):  # bottom-up like any DIB
        bits = 0
        for x in range(size):
            px = icon_pixel(x, y)
            if px is None:
                xor += b"\0\0\0"
                bits |= 1 << (31 - x)
            else:
                xor += bytes((px[2], px[1], px[0]))
        and_mask += struct.pack(">I", bits)  # 32 bits: already a multiple of 4 bytes
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    image = info + xor + and_mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 24, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(directory + entry + image)
    if os.path.getsize(path) != 6 + 16 + 40 + 32 * 96 + 32 * 4:
        raise SystemExit("%s: unexpected icon size" % path)


# --- sounds ---------------------------------------------------------------

def write_tone(path, tones, seconds, rate=22050):
    """16-bit mono PCM: a sum of tones with a short attack and an exponential decay."""
    frames = int(rate * seconds)
    data = bytearray()
    for n in range(frames):
        t = n / float(rate)
        envelope = min(1.0, n / 60.0) * math.exp(-t * 18.0)
        s = sum(math.sin(2 * math.pi * f * t) for f in tones) / len(tones)
        data += struct.pack("<h", int(12000 * envelope * s))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(bytes(data))


def make_sounds(outdir):
    base = os.path.join(outdir, "Autorun", "Sound")
    write_tone(os.path.join(base, "DOWN.WAV"), (1320.0, 1980.0), 0.12)  # bright click
    write_tone(os.path.join(base, "NoDOWN.WAV"), (330.0,), 0.18)  # low thud


def main(argv):
    if len(argv) != 3 or argv[1] not in ("resources", "medium"):
        sys.stderr.write(__doc__)
        return 2
    outdir = argv[2]
    os.makedirs(outdir, exist_ok=True)
    if argv[1] == "resources":
        make_builtin(outdir)
        write_icon(os.path.join(outdir, "MAINICON.ico"))
    else:
        make_skins(outdir)
        make_sounds(outdir)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
