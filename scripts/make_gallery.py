#!/usr/bin/python3
"""Draws the gallery of the README: every gradient type, rendered by
shadeloom-render, side by side with its name.

    make_gallery.py SHADELOOM-RENDER OUTPUT.png [WINE-RUN]

With WINE-RUN, SHADELOOM-RENDER is a Windows program run through it.
"""
import os
import subprocess
import sys
import tempfile

from PIL import Image, ImageDraw, ImageFont

TILE_WIDTH, TILE_HEIGHT = 176, 132
COLUMNS = 7
LABEL_HEIGHT = 22
MARGIN = 8
# Deep blue into amber: both the light and the dark ends stay visible, so the
# shape of every type reads at a glance. Three periods show a wave's course.
START, END, FREQUENCY = "#1B2A6B", "#FFB000", "3"
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


def type_names(run):
    lines = subprocess.run(run + ["--list"], check=True, capture_output=True, text=True).stdout
    return [line.split(None, 1)[1].strip() for line in lines.splitlines() if line.strip()]


def main():
    render, output = sys.argv[1], sys.argv[2]
    run = [sys.argv[3], render] if len(sys.argv) > 3 else [render]
    names = type_names(run)
    rows = (len(names) + COLUMNS - 1) // COLUMNS
    cell_width, cell_height = TILE_WIDTH + MARGIN, TILE_HEIGHT + LABEL_HEIGHT + MARGIN
    gallery = Image.new("RGB", (COLUMNS * cell_width + MARGIN, rows * cell_height + MARGIN), "white")
    draw = ImageDraw.Draw(gallery)
    font = ImageFont.truetype(FONT, 13) if os.path.exists(FONT) else ImageFont.load_default()
    with tempfile.TemporaryDirectory() as work:
        for index, name in enumerate(names):
            tile = os.path.join(work, f"{index}.bmp")
            waves = ["--frequency", FREQUENCY] if "Sine" in name or "Cosine" in name else []
            subprocess.run(run + ["--type", str(index), "--size", f"{TILE_WIDTH}x{TILE_HEIGHT}",
                                  "--start", START, "--end", END, "-o", tile] + waves,
                           check=True, stdout=subprocess.DEVNULL)
            x = MARGIN + (index % COLUMNS) * cell_width
            y = MARGIN + (index // COLUMNS) * cell_height
            with Image.open(tile) as image:
                gallery.paste(image.convert("RGB"), (x, y))
            width = draw.textlength(name, font=font)
            draw.text((x + (TILE_WIDTH - width) / 2, y + TILE_HEIGHT + 4), name, fill="#202020", font=font)
    # A palette of 256 colours keeps the file small; the gradients lose nothing visible.
    gallery.quantize(256, dither=Image.Dither.NONE).save(output, optimize=True)
    print(f"gallery: {len(names)} types in {output}")


if __name__ == "__main__":
    main()
