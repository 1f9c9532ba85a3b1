#!/usr/bin/env python3
"""Draws the program's icon (quillon.ico) and banner (banner.bmp) into this folder.

Needs Python 3 with Pillow and the DejaVu fonts (Debian: python3-pil, fonts-dejavu-core):

    python3 res/art/make_art.py

The generated files are committed, so building the program needs neither.
"""

import math
import struct
import sys
from io import BytesIO
from pathlib import Path

from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = Path(__file__).resolve().parent
FONT = Path("/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf")

ICON_SIZES = (256, 48, 32, 24, 16)  # the order of the icon group
BANNER_SIZE = (201, 257)
SUPERSAMPLE = 4  # shapes are drawn large and scaled down, which smooths their edges

DEEP_BLUE = (16, 42, 112)
BLUE = (38, 96, 196)
LIGHT_BLUE = (120, 172, 236)
WHITE = (255, 255, 255)
INK = (12, 24, 60)


def lerp(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def vertical_gradient(size, top, bottom):
    width, height = size
    column = Image.new("RGB", (1, height))
    for y in range(height):
        column.putpixel((0, y), lerp(top, bottom, y / max(1, height - 1)))
    return column.resize(size)


def quill_outline(cx, cy, length, angle_deg):
    """Points of a feather whose axis runs through (cx, cy) at angle_deg, nib first."""
    angle = math.radians(angle_deg)
    ax, ay = math.cos(angle), -math.sin(angle)  # along the shaft, y grows downwards
    nx, ny = -ay, ax  # across the shaft
    vane_start = 0.28  # the bare shaft near the nib
    steps = 48

    def at(t, side):
        s = (t - vane_start) / (1 - vane_start)
        # The vane swells quickly and tapers to the tip; one side is broader.
        half = 0.17 * length * math.sin(math.pi * s) ** 0.7 * (1 - 0.35 * s)
        half *= 1.0 if side > 0 else 0.72
        along = (t - 0.5) * length
        return (cx + ax * along + nx * half * side, cy + ay * along + ny * half * side)

    upper = [at(vane_start + (1 - vane_start) * i / steps, 1) for i in range(steps + 1)]
    lower = [at(vane_start + (1 - vane_start) * i / steps, -1) for i in reversed(range(steps + 1))]
    return upper + lower, (ax, ay), (nx, ny)


def draw_quill(draw, cx, cy, length, angle_deg, vane, shaft_width):
    outline, (ax, ay), (nx, ny) = quill_outline(cx, cy, length, angle_deg)
    draw.polygon(outline, fill=vane)
    # Two notches in the vane, where the barbs part.
    for t, side, depth in ((0.55, 1, 0.10), (0.78, -1, 0.07)):
        along = (t - 0.5) * length
        base = (cx + ax * along, cy + ay * along)
        reach = 0.2 * length
        tip = (base[0] + nx * reach * side - ax * depth * length, base[1] + ny * reach * side - ay * depth * length)
        back = (base[0] + nx * reach * side - ax * (depth + 0.05) * length,
                base[1] + ny * reach * side - ay * (depth + 0.05) * length)
        draw.polygon([base, tip, back], fill=(0, 0, 0, 0))
    nib = (cx - ax * 0.5 * length, cy - ay * 0.5 * length)
    top = (cx + ax * 0.45 * length, cy + ay * 0.45 * length)
    draw.line([nib, top], fill=INK + (255,), width=max(1, round(shaft_width)))
    return nib


def icon_image(size):
    big = size * SUPERSAMPLE
    art = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    # Rounded blue tile with a lighter band at the top.
    margin = round(big * 0.04)
    tile = vertical_gradient((big, big), BLUE, DEEP_BLUE).convert("RGBA")
    mask = Image.new("L", (big, big), 0)
    ImageDraw.Draw(mask).rounded_rectangle([margin, margin, big - margin - 1, big - margin - 1],
                                           radius=round(big * 0.2), fill=255)
    art.paste(tile, (0, 0), mask)
    # A sheet of paper, and the quill writing on it.
    draw = ImageDraw.Draw(art)
    paper = [big * 0.22, big * 0.58, big * 0.66, big * 0.86]
    draw.rounded_rectangle(paper, radius=round(big * 0.03), fill=LIGHT_BLUE + (255,))
    for i in range(2):
        y = paper[1] + (paper[3] - paper[1]) * (0.33 + 0.3 * i)
        draw.line([(paper[0] + big * 0.05, y), (paper[2] - big * 0.12 * (i + 1), y)], fill=DEEP_BLUE + (255,),
                  width=max(1, round(big * 0.025)))
    feather = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    draw_quill(ImageDraw.Draw(feather), big * 0.56, big * 0.43, big * 0.78, 55, WHITE + (255,), big * 0.022)
    art.alpha_composite(feather)
    return art.resize((size, size), Image.LANCZOS)


def dib_bytes(image):
    """The image as an icon's device-independent bitmap: 32-bit BGRA rows bottom-up, then the AND mask."""
    width, height = image.size
    rows = []
    mask_rows = []
    mask_stride = ((width + 31) // 32) * 4
    for y in reversed(range(height)):
        row = bytearray()
        bits = bytearray(mask_stride)
        for x in range(width):
            r, g, b, a = image.getpixel((x, y))
            row += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(row))
        mask_rows.append(bytes(bits))
    pixels = b"".join(rows)
    mask = b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + mask


def write_icon(path):
    images = []
    for size in ICON_SIZES:
        image = icon_image(size)
        if size == 256:  # the large image is stored PNG-compressed
            buffer = BytesIO()
            image.save(buffer, format="PNG", optimize=True)
            images.append((size, buffer.getvalue()))
        else:
            images.append((size, dib_bytes(image)))
    offset = 6 + 16 * len(images)
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    path.write_bytes(bytes(out))


def write_banner(path):
    width, height = BANNER_SIZE
    big = (width * SUPERSAMPLE, height * SUPERSAMPLE)
    art = vertical_gradient(big, DEEP_BLUE, BLUE).convert("RGBA")
    # A large faint quill behind the title.
    feather = Image.new("RGBA", big, (0, 0, 0, 0))
    draw_quill(ImageDraw.Draw(feather), big[0] * 0.52, big[1] * 0.62, big[1] * 0.75, 62, WHITE + (70,),
               big[0] * 0.012)
    art.alpha_composite(feather.filter(ImageFilter.GaussianBlur(SUPERSAMPLE)))
    draw = ImageDraw.Draw(art)
    # The title, as large as fits the width, with a soft shadow.
    title = "Quillon"
    size = big[1] // 4
    while True:
        font = ImageFont.truetype(str(FONT), size)
        left, top, right, bottom = draw.textbbox((0, 0), title, font=font)
        if right - left <= big[0] * 0.86:
            break
        size -= SUPERSAMPLE
    x = (big[0] - (right - left)) / 2 - left
    y = big[1] * 0.1 - top
    shadow = Image.new("RGBA", big, (0, 0, 0, 0))
    ImageDraw.Draw(shadow).text((x + SUPERSAMPLE * 2, y + SUPERSAMPLE * 2), title, font=font, fill=INK + (200,))
    art.alpha_composite(shadow.filter(ImageFilter.GaussianBlur(SUPERSAMPLE * 1.5)))
    draw.text((x, y), title, font=font, fill=WHITE + (255,))
    rule_y = y + bottom + big[1] * 0.035
    draw.line([(big[0] * 0.12, rule_y), (big[0] * 0.88, rule_y)], fill=LIGHT_BLUE + (255,), width=SUPERSAMPLE * 2)
    subtitle = ImageFont.truetype(str(FONT), round(size * 0.3))
    text = "PPR profile update"
    left, top, right, bottom = draw.textbbox((0, 0), text, font=subtitle)
    draw.text(((big[0] - (right - left)) / 2 - left, rule_y + big[1] * 0.025 - top), text, font=subtitle,
              fill=LIGHT_BLUE + (255,))
    # 24 bits per pixel, uncompressed.
    art.convert("RGB").resize(BANNER_SIZE, Image.LANCZOS).save(path, format="BMP")


def main():
    if not FONT.exists():
        sys.exit(f"{FONT} is missing (Debian: fonts-dejavu-core)")
    write_icon(HERE / "quillon.ico")
    write_banner(HERE / "banner.bmp")


if __name__ == "__main__":
    main()
