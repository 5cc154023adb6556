#!/usr/bin/env python3
"""Turns the XPM pictures into the files the build ships or shows.

Writes, below --out:
  keldo-link.ico                     the program's icon, one image per --ico-sizes
  hicolor/NxN/apps/keldo-link.png    the desktop icon, one per --hicolor-sizes
  contact-sheet.png                  every picture at 1x, 1.5x, 2x and enlarged

Larger icon sizes are drawn from the 16 x 16 picture by the nearest-neighbour
rule of ScaleForDpi (shell/art/picture_scale.h), so the icons match what the
program draws on a high-dpi screen.
"""

import argparse
import pathlib
import sys

from PIL import Image, ImageDraw, ImageFont

ICON_NAME = "keldo-link"

FACE = (240, 240, 240, 255)  # button face behind the real-size views
CHECKER = ((204, 204, 204, 255), (255, 255, 255, 255))
ENLARGED_WIDTH = 440  # enlarged views are scaled to at most this width


def load(path):
    with Image.open(path) as image:
        if image.format != "XPM":
            sys.exit(f"{path}: not an XPM picture")
        return image.convert("RGBA")


def scale(image, width, height):
    """Nearest neighbour with ScaleForDpi's integer mapping."""
    src_w, src_h = image.size
    xs = [(2 * d + 1) * src_w // (2 * width) for d in range(width)]
    ys = [(2 * d + 1) * src_h // (2 * height) for d in range(height)]
    source = image.load()
    scaled = Image.new("RGBA", (width, height))
    target = scaled.load()
    for y, sy in enumerate(ys):
        for x, sx in enumerate(xs):
            target[x, y] = source[sx, sy]
    return scaled


def scale_for_dpi(image, dpi):
    w, h = image.size
    return scale(image, max(1, (w * dpi + 48) // 96), max(1, (h * dpi + 48) // 96))


def key_bottom_left(image):
    """What a picture button shows: the bottom-left pixel's colour transparent."""
    keyed = image.copy()
    pixels = keyed.load()
    key = pixels[0, image.height - 1]
    for y in range(image.height):
        for x in range(image.width):
            if pixels[x, y] == key:
                pixels[x, y] = (0, 0, 0, 0)
    return keyed


def write_icons(main_icon, out, ico_sizes, hicolor_sizes):
    frames = [scale(main_icon, s, s) for s in sorted(ico_sizes, reverse=True)]
    # The ICO writer drops sizes above the first image's: start with the largest.
    frames[0].save(out / f"{ICON_NAME}.ico", format="ICO",
                   sizes=[f.size for f in frames], append_images=frames[1:])
    for s in hicolor_sizes:
        folder = out / "hicolor" / f"{s}x{s}" / "apps"
        folder.mkdir(parents=True, exist_ok=True)
        scale(main_icon, s, s).save(folder / f"{ICON_NAME}.png")


def checkerboard(width, height, cell=8):
    board = Image.new("RGBA", (width, height))
    draw = ImageDraw.Draw(board)
    for y in range(0, height, cell):
        for x in range(0, width, cell):
            draw.rectangle((x, y, x + cell - 1, y + cell - 1),
                           fill=CHECKER[(x // cell + y // cell) % 2])
    return board


def write_contact_sheet(pictures, path):
    font = ImageFont.load_default()
    margin, gap, label_w = 12, 16, 150
    rows = []
    for name, image in pictures:
        shown = key_bottom_left(image) if name.startswith("button_") else image
        views = [scale_for_dpi(shown, dpi) for dpi in (96, 144, 192)]
        factor = max(1, min(8, ENLARGED_WIDTH // image.width))
        big = scale(image, image.width * factor, image.height * factor)
        rows.append((name, image.size, views, big))
    width = margin * 2 + label_w + sum(
        max(r[2][i].width for r in rows) + gap for i in range(3)) + ENLARGED_WIDTH
    height = margin + sum(max(r[3].height, 24) + gap for r in rows)
    sheet = Image.new("RGBA", (width, height), FACE)
    draw = ImageDraw.Draw(sheet)
    columns = [max(r[2][i].width for r in rows) for i in range(3)]
    y = margin
    for name, size, views, big in rows:
        draw.text((margin, y), f"{name}\n{size[0]} x {size[1]}", fill=(0, 0, 0, 255), font=font)
        x = margin + label_w
        for view, column in zip(views, columns):
            sheet.alpha_composite(view, (x, y))
            x += column + gap
        board = checkerboard(big.width, big.height)
        board.alpha_composite(big)
        sheet.alpha_composite(board, (x, y))
        y += max(big.height, 24) + gap
    sheet.save(path)


def sizes(text):
    """A comma-separated list of icon sides in pixels."""
    values = [int(v) for v in text.split(",")]
    if not values or any(v < 1 or v > 256 for v in values):
        raise argparse.ArgumentTypeError(f"icon sizes must be 1..256: {text}")
    return values


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True, type=pathlib.Path)
    parser.add_argument("--icon", required=True, help="stem of the picture that is the program icon")
    parser.add_argument("--ico-sizes", required=True, type=sizes)
    parser.add_argument("--hicolor-sizes", required=True, type=sizes)
    parser.add_argument("pictures", nargs="+", type=pathlib.Path)
    args = parser.parse_args()

    pictures = [(path.stem, load(path)) for path in args.pictures]
    icons = [image for name, image in pictures if name == args.icon]
    if len(icons) != 1:
        sys.exit(f"the icon picture {args.icon!r} is not among the pictures")
    args.out.mkdir(parents=True, exist_ok=True)
    write_icons(icons[0], args.out, args.ico_sizes, args.hicolor_sizes)
    write_contact_sheet(pictures, args.out / "contact-sheet.png")


if __name__ == "__main__":
    main()
