#!/usr/bin/env python3
"""shadeloom-render's files by independent readers: decode CLI DIR (Pillow's pixels equal a model for the
linear types, PNG's ImageMagick's and the BMP's), streams CLI DIR (no image at a terminal, a full standard output
fails), install BUILD DIR (the manual page names every option of --help), agree NATIVE WINDOWS DIR (the builds
write the same bytes)."""
import os
import pty
import re
import shutil
import struct
import subprocess
import sys
import tempfile

TYPES = ["Linear Vertical", "Linear Horizontal", "Radial", "Diagonal LR", "Diagonal RL",
         "Sine Vertical", "Cosine Vertical", "Sine Horizontal", "Cosine Horizontal",
         "Sine Radial", "Cosine Radial", "2x Radial", "2x Sine Radial", "2x Cosine Radial"]


def read(path):
    with open(path, "rb") as f:
        return f.read()


def channel_model(kind, width, height, start, end):  # the linear types: rows, columns, channels, padding
    n = height if kind == 0 else width
    step = 0 if n > 65536 else 65536 // n
    return lambda x, y: (start * 65536 + (y if kind == 0 else x) * (end - start) * step) >> 16


def render(cli, out, kind, size, start, end, frequency, runner=(), thumbnail=None):
    extra = ["--thumbnail", thumbnail] if thumbnail else []
    subprocess.run(list(runner) + [cli, "--type", str(kind), "--size", "%dx%d" % size, "--start", start,
                                   "--end", end, "--frequency", repr(frequency), "-o", out] + extra,
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def png_matches_bmp(png, bmp):
    from PIL import Image
    expected = Image.open(bmp).convert("RGB")
    decoded = Image.open(png)
    if decoded.format != "PNG" or decoded.mode != "RGB" or decoded.size != expected.size:
        return "Pillow reads %s %s %s" % (decoded.format, decoded.mode, decoded.size)
    if decoded.tobytes() != expected.tobytes():
        return "Pillow's pixels differ from the BMP's"
    if subprocess.run(["convert", png, "-depth", "8", "rgb:-"], check=True, capture_output=True).stdout != expected.tobytes():
        return "ImageMagick's pixels differ from the BMP's"
    return None


def decode(cli, workdir):
    from PIL import Image
    size, frequency, starts, ends = (37, 23), 1.7, [0x10, 0xE0, 0x30], [0xF0, 0x20, 0x80]
    failures = 0
    for kind, name in enumerate(TYPES):
        path = os.path.join(workdir, "decode_%d.bmp" % kind)
        render(cli, path, name, size, "#10E030", "#F02080", frequency)
        subprocess.run(["identify", path], check=True, stdout=subprocess.DEVNULL)
        image = Image.open(path)
        assert image.format == "BMP" and image.mode == "RGB" and image.size == size, (name, image.size)
        pixels = image.load()
        models = [channel_model(kind, size[0], size[1], starts[c], ends[c]) for c in range(3)]
        wrong = [(x, y, c, pixels[x, y][c], models[c](x, y)) for y in range(size[1]) for x in range(size[0])
                 for c in range(3) if kind < 2 and pixels[x, y][c] != models[c](x, y)]
        if wrong:  # the other types' values are pinned by the render digests
            failures += 1
            print("%s: %d wrong values (x, y, channel, value, expected): %s" % (name, len(wrong), wrong[:3]))
        png = path[:-3] + "PNG"  # the extension in any case
        render(cli, png, name, size, "#10E030", "#F02080", frequency)
        if mismatch := png_matches_bmp(png, path):
            failures += 1
            print("%s PNG: %s" % (name, mismatch))
        os.remove(path), os.remove(png)
    print("%d passed, %d failed" % (14 - failures, failures))
    return 1 if failures else 0


def streams(cli, workdir):
    path = os.path.join(workdir, "streams.bmp")
    arguments = [cli, "--type", "Cosine Radial", "--size", "33x17"]
    failures = []  # the terminal's far side, closed only after the run, shows whatever reached it
    controller, terminal = pty.openpty()
    at_terminal = subprocess.run(arguments + ["-o", "-"], stdout=terminal, stderr=subprocess.PIPE)
    os.close(terminal)
    os.set_blocking(controller, False)
    try:
        reached = os.read(controller, 1 << 16)
    except (BlockingIOError, OSError):
        reached = b""
    os.close(controller)
    if at_terminal.returncode != 2 or reached or b"terminal" not in at_terminal.stderr:
        failures.append("at a terminal: exit %d, %d bytes shown" % (at_terminal.returncode, len(reached)))
    for command in (["--list"], ["--help"], ["--version"], ["--size", "4x4", "-o", "-"], ["-o", path]):
        with open("/dev/full", "wb") as full:
            into_full = subprocess.run([cli] + command, stdout=full, stderr=subprocess.PIPE).returncode
        if into_full != 1:
            failures.append("%s: exit %d into a full standard output" % (" ".join(command), into_full))
    if os.path.exists(path):
        os.remove(path)
    for failure in failures:
        print(failure)
    print("%d failed" % len(failures))
    return 1 if failures else 0


def install(build, workdir):
    prefix = tempfile.mkdtemp(dir=workdir)
    subprocess.run(["cmake", "--install", build, "--prefix", prefix], check=True, stdout=subprocess.DEVNULL)
    program = os.path.join(prefix, "bin", "shadeloom-render")
    page = os.path.join(prefix, "share", "man", "man1", "shadeloom-render.1")
    help_text = subprocess.run([program, "--help"], check=True, capture_output=True, text=True).stdout
    manual = subprocess.run(["man", "-l", page], check=True, capture_output=True, text=True,
                            env=dict(os.environ, MANWIDTH="80", MAN_KEEP_FORMATTING="0")).stdout
    manual = re.sub(".\b", "", manual).replace("\u2010", "-").replace("\u2011", "-")
    options = set(re.findall(r"(?<![\w-])(--?[a-z][a-z-]*)", help_text))
    missing = sorted(option for option in options if not re.search(r"(?<![\w-])%s(?![\w-])" % option, manual))
    shutil.rmtree(prefix)
    if missing or "--output" not in options or "-h" not in options:
        print("options of --help missing from the manual page: %s (found %s)" % (missing, sorted(options)))
        return 1
    print("manual page names all %d options" % len(options))
    return 0


def agree(native, windows, workdir):
    runner = [os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "wine-run")]
    settings = [((512, 512), "#FFFFFF", "#000000", 1.0), ((333, 97), "#123456", "#FEDCBA", 3.7),
                ((96, 301), "#00FF80", "#FF0040", 0.25)]
    files = {build: [os.path.join(workdir, "agree_%s%s.bmp" % (build, part)) for part in ("", "_thumbnail")]
             for build in ("native", "windows")}
    a = files["native"][0]
    png = os.path.join(workdir, "agree_windows.png")
    failures = 0
    for kind in range(14):
        for index, setting in enumerate(settings):
            render(native, files["native"][0], kind, *setting, thumbnail=files["native"][1])
            render(windows, files["windows"][0], kind, *setting, runner=runner, thumbnail=files["windows"][1])
            for part, mine, theirs in zip(("image", "thumbnail"), files["native"], files["windows"]):
                if read(mine) != read(theirs):
                    failures += 1
                    print("%s, settings %d: the builds disagree on the %s" % (TYPES[kind], index, part))
        render(windows, png, kind, *settings[1], runner=runner)
        render(native, a, kind, *settings[1])
        if mismatch := png_matches_bmp(png, a):
            failures += 1
            print("%s, the Windows build's PNG: %s" % (TYPES[kind], mismatch))
    # Binary standard output: the bytes (0x0A among them) pass without "\n" becoming "\r\n".
    render(native, a, 0, *settings[0])
    piped = subprocess.run(runner + [windows, "--size", "512x512", "-o", "-"], check=True, capture_output=True).stdout
    if piped != read(a):
        failures += 1
        print("the Windows build's standard output differs from the native file (%d bytes)" % len(piped))
    print("%d passed, %d failed" % (14 * (2 * len(settings) + 1) + 1 - failures, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    if sys.argv[1] in ("decode", "streams", "install"):
        sys.exit(globals()[sys.argv[1]](sys.argv[2], sys.argv[3]))
    sys.exit(agree(sys.argv[2], sys.argv[3], sys.argv[4]))
