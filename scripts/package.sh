#!/usr/bin/env bash
# Builds the i686 release and packs it: build/shadeloom-<version>-win32.zip
# with shadeloom.exe, shadeloom-render.exe, the README and the licence.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" run
"$root/scripts/release-build.sh" shadeloom shadeloom-render
tree="$root/build/release-mingw32"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$tree/CMakeCache.txt")
package="$root/build/shadeloom-$version-win32.zip"
/usr/bin/python3 - "$package" "shadeloom-$version" \
  "$tree/app/shadeloom.exe" "$tree/cli/shadeloom-render.exe" "$root/README.md" "$root/LICENSE" <<'PY'
import os, sys, zipfile
package, folder, *files = sys.argv[1:]
with zipfile.ZipFile(package + ".part", "w", zipfile.ZIP_DEFLATED) as archive:
    for path in files:
        name = os.path.basename(path)
        if name in ("README.md", "LICENSE"):
            name = name.replace(".md", "") + ".txt"
            # Windows' Notepad wants CR LF.
            data = open(path, "rb").read().replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
            archive.writestr(f"{folder}/{name}", data)
        else:
            archive.write(path, f"{folder}/{name}")
os.replace(package + ".part", package)
PY
echo "package: $package"
