#!/usr/bin/python3
"""Breaks the product on purpose, one fault at a time, and reports which
faults the test suite catches.

Each mutation replaces one exact piece of text (found exactly once in its
file), rebuilds the tree that compiles the file and runs that tree's tests:
  caught    at least one test failed (the failing tests are listed)
  survived  every test passed: the suite misses this fault
  invalid   the mutated product did not build (fix the table entry)
The original bytes always go back, and the trees are rebuilt at the end.

  scripts/mutate.py --check                  every entry applies, nothing built
  scripts/mutate.py --list
  scripts/mutate.py --only ID[,ID...] [--tree native|mingw32] [--out FILE.tsv]
"""
import argparse
import os
import re
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Files that only the Windows build compiles; everything else runs natively.
WINDOWS_ONLY = re.compile(r"^(ui/|res/|app/(win_main|save_image|module_directory_win)\.cpp$|platform/.*_win\.cpp$)")

# (id, file, original text, replacement, fault class and what breaks[, tree])
MUTATIONS = [
    # app/ (portable)
    ("app-default-end", "app/app_state.cpp", "endColor = kDefaultEndColor;", "endColor = kDefaultStartColor;",
     "wrong default: a new state starts with the end colour white"),
    ("folder-token-room", "app/folder_text.cpp", "if (length + tokenLength + 1 >= outSize) {",
     "if (length + tokenLength + 1 > outSize) {",
     "off-by-one: a folder that fills the buffer exactly loses its terminating NUL"),
    ("lifecycle-lost-failure", "app/image_lifecycle.cpp",
     "if (!installNewImage(g_state->width, g_state->height)) return 0;",
     "installNewImage(g_state->width, g_state->height);",
     "lost error path: a refused resize is reported as done"),
    ("field-size-saturate", "app/field_rules.cpp", "return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);",
     "return static_cast<int32_t>(value);", "lost check: a size beyond 32 bits wraps round instead of saturating"),
    ("field-frequency-zero", "app/field_rules.cpp", "return frequency > 0.0f && !std::isinf(frequency)",
     "return frequency >= 0.0f && !std::isinf(frequency)", "off-by-one: a frequency of 0 is taken as typed"),
    # cli/
    ("cli-color-channels", "cli/cli_args.cpp", "<< (8 * channel);", "<< (8 * (2 - channel));",
     "swapped channels: --start/--end read #RRGGBB as blue first"),
    ("cli-type-range", "cli/cli_args.cpp", "index >= kGradientTypeCount", "index > kGradientTypeCount",
     "off-by-one: --type 14 is accepted (no such type)"),
    ("cli-format-thumbnail", "cli/cli_args.cpp",
     "request.outputFormat = request.thumbnailFormat = ImageFormat(formatNamed(format));",
     "request.outputFormat = ImageFormat(formatNamed(format));",
     "lost step: --format no longer applies to the thumbnail"),
    ("cli-exit-usage", "cli/render_command.cpp",
     "parse.error.c_str());\n    return kExitUsage;", "parse.error.c_str());\n    return kExitFailure;",
     "wrong exit code: bad input exits 1 instead of 2"),
    ("cli-same-output", "cli/render_command.cpp",
     "sameOutput(request.outputPath, request.thumbnailPath, out)", "request.outputPath == request.thumbnailPath",
     "lost check: two names for one file are not seen as the same output"),
    ("cli-status-stream", "cli/render_command.cpp", "std::fprintf(toStandardOutput ? err : out,",
     "std::fprintf(out,", "wrong stream: the status line is appended to an image on standard output"),
    # gradient/
    ("catalogue-order", "gradient/catalogue.cpp",
     '{"Sine Vertical", renderSineVertical},\n    {"Cosine Vertical", renderCosineVertical},',
     '{"Sine Vertical", renderCosineVertical},\n    {"Cosine Vertical", renderSineVertical},',
     "wrong list order: two types render each other's gradient"),
    ("fillrow-overrun", "gradient/gradient_math.cpp",
     "const size_t chunk = filled < bytes - filled ? filled : bytes - filled;", "const size_t chunk = filled;",
     "missing bound: the doubling copy runs past the end of the row"),
    ("linear-rounding", "gradient/linear_kernels.cpp", "rgb[channel] = uint8_t(accumulator[channel] >> 16);",
     "rgb[channel] = uint8_t((accumulator[channel] + 32768) >> 16);",
     "wrong rounding: the 16.16 ramp rounds to nearest instead of down"),
    ("linear-horizontal-axis", "gradient/linear_kernels.cpp", "FixedPointRamp ramp(colors, target.width);",
     "FixedPointRamp ramp(colors, target.height);", "wrong axis: the horizontal ramp is spread over the height"),
    ("diagonal-leak", "gradient/linear_kernels.cpp", "  freeBlock(tables);\n  return true;", "  return true;",
     "missing release: the diagonal's scratch tables leak"),
    ("radial-radius", "gradient/radial_kernels.cpp", "float(cx > cy ? cx : cy)", "float(cx < cy ? cx : cy)",
     "wrong constant: the radius is the nearer edge instead of the farther"),
    ("wave-blend-sign", "gradient/wave_kernels.cpp", "const double blend = (kOne - wave) * kHalf;",
     "const double blend = (kOne + wave) * kHalf;", "sign error: waves start at the end colour"),
    ("wave-nearer-axis", "gradient/wave_kernels.cpp", "const uint32_t nearer = cx < cy ? cx : cy;",
     "const uint32_t nearer = cx > cy ? cx : cy;", "wrong axis: radial waves measured against the farther edge"),
    ("trig-cos-sign", "gradient/portable_trig.cpp", "case 1: return -kernelSin(r.hi, r.lo);",
     "case 1: return kernelSin(r.hi, r.lo);", "sign error: cosine wrong in its second quadrant"),
    ("dispatch-thumbnail", "gradient/render_dispatch.cpp", "  rebuildThumbnail(g_state->image, g_state->thumbnail);\n}", "}",
     "lost step: a render leaves the old thumbnail"),
    ("renderers-2x", "gradient/renderers.cpp", "fillRadial(target, colors, true);",
     "fillRadial(target, colors, false);", "wrong flag: 2x Radial renders the plain radial"),
    # image/
    ("thumb-fit-rounding", "image/thumbnail.cpp", "const double heightRatio = float(double(maxHeight) / double(height));",
     "const double heightRatio = double(maxHeight) / double(height);",
     "wrong rounding: the height ratio kept in double, so some thumbnails come out a pixel larger"),
    ("thumb-enlarge-path", "image/thumbnail.cpp", "if (size.width < facts.width && size.height < facts.height) {",
     "if (size.width < facts.width || size.height < facts.height) {",
     "wrong condition: an image enlarged along one side is sent to the downscaler, which refuses it"),
    ("pixel-tail-swap", "image/pixel_layout.cpp",
     "destination[0] = source[2];\n    destination[1] = source[1];\n    destination[2] = source[0];",
     "destination[0] = source[0];\n    destination[1] = source[1];\n    destination[2] = source[2];",
     "swapped channels: the last width % 4 pixels of a row stay RGB in the BGR bitmap"),
    ("display-row-order", "image/display_bitmap.cpp", "info.bmiHeader.biHeight = height;",
     "info.bmiHeader.biHeight = -height;", "wrong row order: display bitmaps made top-down"),
    ("image-move-bitmap", "image/image_buffer.cpp", "  source.bitmap = nullptr;\n  releaseImageBuffer(source);",
     "  releaseImageBuffer(source);", "double release: a moved image's bitmap is deleted by the old record"),
    ("area-weight", "image/area_average.cpp", "const float here = ownShare * span.ownShareSingle;",
     "const float here = ownShare * span.nextShareSingle;",
     "wrong weight: a pixel shared by four thumbnail pixels counts with the wrong share"),
    ("downscale-rows", "image/downscaler.cpp",
     "header.biHeight = static_cast<LONG>(-static_cast<int64_t>(height));",
     "header.biHeight = static_cast<LONG>(height);", "wrong row order: the thumbnail comes out upside down"),
    ("bmp-resolution", "image/bmp_format.cpp", "kPixelsPerMetre = 300;", "kPixelsPerMetre = 2835;",
     "wrong constant: the resolution fields say 72 dpi"),
    ("bmp-row-rounding", "image/bmp_format.cpp", "((24 * w + 31) >> 3) & ~uint64_t{3}",
     "((24 * w + 7) >> 3) & ~uint64_t{3}", "wrong rounding: BMP rows rounded down to 4 bytes"),
    ("bmp-image-bytes", "image/bmp_format.cpp", "put32(out + 34, static_cast<uint32_t>(layout.imageBytes));",
     "put32(out + 34, 0);", "wrong header field: biSizeImage left 0 (legal for BI_RGB, readers accept it)"),
    ("sink-commit-ignored", "image/byte_sink.cpp", "encoded && sink.file.commit() ? 1 : 0",
     "encoded && (sink.file.commit() || true) ? 1 : 0",
     "failure reported as success: a failed flush or move still counts as written"),
    ("png-channels", "image/png_writer.cpp", "to[x] = from[x + 2];", "to[x] = from[x];",
     "swapped channels: PNG red and blue swapped"),
    ("png-row-order", "image/png_writer.cpp", "facts.bits + (height - 1 - y) * rowBytes",
     "facts.bits + y * rowBytes", "wrong row order: PNG written bottom row first"),
    # platform/
    ("alloc-skip-count", "platform/allocation.cpp", "if (pending > 0) {", "if (pending > 1) {",
     "off-by-one: an injected failure comes one allocation early"),
    ("replace-temp-left", "platform/replace_file.cpp",
     "if (created_) replace_file_platform::removeFile(path_.c_str());", "",
     "missing release: a failed save leaves its temporary file behind"),
    ("replace-hard-links", "platform/replace_file.cpp", "(!facts.regular || facts.sharedByLinks)",
     "!facts.regular", "lost check: saving over a hard-linked file detaches its other names"),
    ("posix-keep-mode", "platform/replace_file_posix.cpp", "chmod(temporary, existing.st_mode & 0777)",
     "chmod(temporary, 0644)", "wrong default: a replaced file loses the permissions the user gave it"),
    ("identity-unresolved", "platform/file_identity_posix.cpp",
     "return resolvedPath(first) == resolvedPath(second);", "return std::string(first) == second;",
     "lost step: ./a.bmp and a.bmp (not yet there) are taken as different files"),
    ("gdi-delete-selected", "platform/gdi_standin.cpp", "    if (bitmap->selectedInto) return FALSE;\n", "",
     "lost check: the stand-in deletes a bitmap still selected into a DC"),
    # Windows-only: app/, platform/
    ("save-remember-folder", "app/save_image.cpp", "  rememberSaveFolder(dialog);\n", "",
     "lost step: the next save dialog does not open in the folder last saved to"),
    ("save-message", "app/save_image.cpp", '"There was an error writing the file."',
     '"There was an error saving the file."', "wrong message: a failed write says the dialog failed"),
    ("win-swatches-leak", "app/win_main.cpp", "  deleteSwatches();\n", "",
     "missing release: the colour swatch bitmaps outlive the dialog"),
    ("win-failure-order", "app/win_main.cpp",
     '    delete g_state;\n    g_state = nullptr;\n    showWarningBox("Failed to create gradient image.", "Error");',
     '    showWarningBox("Failed to create gradient image.", "Error");\n    delete g_state;\n    g_state = nullptr;',
     "wrong order: the state stays alive while the failure message is shown"),
    ("module-dir-cut", "app/module_directory_win.cpp", "length > 0 && length < kTextBufferSize",
     "length > 0 && length <= kTextBufferSize", "off-by-one: a cut-short module path is taken as whole"),
    ("replace-win-readonly", "platform/replace_file_win.cpp",
     "if (attributes & FILE_ATTRIBUTE_READONLY) facts.refusal = ERROR_ACCESS_DENIED;", "",
     "lost check: a read-only file is overwritten"),
    ("identity-win-case", "platform/file_identity_win.cpp", "_stricmp(fullPath(first).c_str()",
     "std::strcmp(fullPath(first).c_str()", "lost rule: A.BMP and a.bmp (not yet there) count as different files"),
    # Windows-only: ui/, res/
    ("dialog-size-swap", "ui/main_dialog.cpp", "g_state->width = width;\n  g_state->height = height;",
     "g_state->width = height;\n  g_state->height = width;", "swapped fields: width and height read crosswise"),
    ("dialog-enter-height", "ui/main_dialog.cpp",
     "focus == GetDlgItem(dialog, IDC_WIDTH) || focus == GetDlgItem(dialog, IDC_HEIGHT)",
     "focus == GetDlgItem(dialog, IDC_WIDTH)", "lost case: Enter in the height field applies nothing"),
    ("dialog-image-message", "ui/main_dialog.cpp", '"An image of %d x %d pixels could not be made."',
     '"An image of %d x %d pixels could not be created."', "wrong message: the allocation warning text"),
    ("color-switch", "ui/color_selection.cpp", "std::swap(g_state->startColor, g_state->endColor);",
     "g_state->startColor = g_state->endColor;", "lost value: Switch copies the end colour over the start"),
    ("color-swatch-leak", "ui/color_selection.cpp", "  if (previous) DeleteObject(previous);\n", "",
     "missing release: every refresh leaks the old swatch bitmaps"),
    ("color-initial", "ui/color_selection.cpp", "chooser.Flags = CC_RGBINIT | CC_FULLOPEN;",
     "chooser.Flags = CC_FULLOPEN;", "lost flag: the chooser does not start at the current colour"),
    ("preview-open-flag", "ui/preview_window.cpp", "      g_previewOpen = 0;\n      return 0;", "      return 0;",
     "lost reset: a closed preview counts as open, so Preview cannot reopen it"),
    ("preview-field-size", "ui/preview_window.cpp", "RECT rect = {0, 0, g_state->image.width, g_state->image.height};",
     "RECT rect = {0, 0, g_state->width, g_state->height};",
     "wrong source: the preview is sized from the fields, not the image"),
    ("thumb-background", "ui/thumbnail_paint.cpp", "GetSysColor(COLOR_BTNFACE)", "GetSysColor(COLOR_WINDOW)",
     "wrong colour: the thumbnail's background is not the dialog's face colour"),
    ("feedback-icon", "ui/user_feedback.cpp", "MB_OK | MB_ICONWARNING", "MB_OK | MB_ICONERROR",
     "wrong constant: warnings show the error icon"),
    ("rc-apply-id", "res/shadeloom.rc", "IDC_APPLY_WAVE,     BUTTON_CLASS", "IDC_APPLY_SIZE,     BUTTON_CLASS",
     "wrong control id: the frequency's Apply button applies the size"),
    ("rc-combo-style", "res/shadeloom.rc", "COMBOBOX_CLASS, 0x50210003", "COMBOBOX_CLASS, 0x50210002",
     "wrong style: the type list becomes an editable drop-down"),
]

TEST_COMMAND = {
    "native": ["ctest", "-j2", "--timeout", "300"],
    "mingw32": ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", "ctest", "-j2", "--timeout", "300"],
}


def tree_of(entry):
    return entry[5] if len(entry) > 5 else "mingw32" if WINDOWS_ONLY.match(entry[1]) else "native"


def read(path):
    with open(os.path.join(ROOT, path), "rb") as f:
        return f.read()


def write(path, data):
    with open(os.path.join(ROOT, path), "wb") as f:
        f.write(data)


def check(entries):
    """Every original occurs exactly once; returns the failures as messages."""
    problems = []
    for entry in entries:
        ident, path, original = entry[0], entry[1], entry[2]
        try:
            count = read(path).count(original.encode())
        except OSError as error:
            problems.append(f"{ident}: cannot read {path}: {error}")
            continue
        if count != 1:
            problems.append(f"{ident}: the original text occurs {count} times in {path} (must be exactly once)")
    return problems


def run(command, tree):
    return subprocess.run(command, cwd=os.path.join(ROOT, "build", tree), stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True, errors="replace")


def build(tree):
    if not os.path.exists(os.path.join(ROOT, "build", tree, "CMakeCache.txt")):
        subprocess.run([os.path.join(ROOT, "scripts", "build.sh")], check=True)
    return run(["cmake", "--build", ".", "-j2"], tree)


def failing_tests(output):
    """The names ctest lists under "The following tests FAILED:"."""
    listed = output.partition("The following tests FAILED:")[2]
    return sorted(set(re.findall(r"^\s*\d+ - (\S+) \(", listed, re.M)))


def try_mutation(entry):
    """Applies, builds and tests one mutation; the file is always restored."""
    ident, path, original, replacement = entry[:4]
    tree = tree_of(entry)
    saved = read(path)
    try:
        write(path, saved.replace(original.encode(), replacement.encode(), 1))
        built = build(tree)
        if built.returncode != 0:
            errors = [line for line in built.stdout.splitlines() if "error" in line]
            return "invalid", errors[:1] or ["(the build failed)"]
        tested = run(TEST_COMMAND[tree], tree)
        failed = failing_tests(tested.stdout)
        if tested.returncode != 0 and not failed:
            failed = ["(ctest failed, no test named)"]
        return ("caught", failed) if failed else ("survived", [])
    finally:
        write(path, saved)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--list", action="store_true", help="list the mutations and exit")
    parser.add_argument("--check", action="store_true", help="check every entry applies, without building")
    parser.add_argument("--only", help="comma-separated ids to run")
    parser.add_argument("--tree", choices=sorted(TEST_COMMAND), help="only the mutations of this tree")
    parser.add_argument("--out", help="write the results as TSV to this file")
    args = parser.parse_args()

    ids = [entry[0] for entry in MUTATIONS]
    duplicates = sorted({i for i in ids if ids.count(i) > 1})
    if duplicates:
        sys.exit(f"mutate: duplicate ids: {', '.join(duplicates)}")
    entries = MUTATIONS
    if args.only:
        wanted = args.only.split(",")
        unknown = [i for i in wanted if i not in ids]
        if unknown:
            sys.exit(f"mutate: unknown ids: {', '.join(unknown)}")
        entries = [e for e in entries if e[0] in wanted]
    if args.tree:
        entries = [e for e in entries if tree_of(e) == args.tree]

    if args.list:
        for e in entries:
            print(f"{e[0]:24} {tree_of(e):8} {e[1]:32} {e[4]}")
        return 0
    problems = check(entries)
    for problem in problems:
        print(f"mutate: {problem}", file=sys.stderr)
    if problems:
        return 1
    if args.check:
        print(f"mutate: all {len(entries)} mutations apply")
        return 0

    # A termination is handled like Ctrl-C: the file goes back, the trees are rebuilt.
    def interrupt(*_):
        raise KeyboardInterrupt
    signal.signal(signal.SIGTERM, interrupt)
    results = []
    interrupted = False
    try:
        for n, entry in enumerate(entries, 1):
            started = time.time()
            result, failed = try_mutation(entry)
            results.append((entry, result, failed))
            print(f"[{n}/{len(entries)}] {entry[0]}: {result} {' '.join(failed)} ({time.time() - started:.0f} s)",
                  flush=True)
    except KeyboardInterrupt:
        interrupted = True
        print("mutate: interrupted; the mutated file is restored", flush=True)
    finally:
        for tree in sorted({tree_of(e) for e in entries}):
            print(f"mutate: rebuilding {tree} from the restored sources", flush=True)
            if build(tree).returncode != 0:
                print(f"mutate: the rebuild of {tree} failed", file=sys.stderr)
        if args.out:
            with open(args.out, "w") as f:
                f.write("id\tfile\ttree\tresult\tfailing tests or build error\n")
                for entry, result, failed in results:
                    f.write(f"{entry[0]}\t{entry[1]}\t{tree_of(entry)}\t{result}\t{','.join(failed)}\n")
    caught = sum(1 for r in results if r[1] == "caught")
    print(f"caught {caught} of {len(results)}")
    for entry, result, _ in results:
        if result != "caught":
            print(f"  {result}: {entry[0]} ({entry[4]})")
    return 130 if interrupted else 0


if __name__ == "__main__":
    sys.exit(main())
