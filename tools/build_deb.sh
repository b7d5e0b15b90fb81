#!/usr/bin/env bash
# Builds the Debian package with CPack and checks what is in it: unpacks it into a temporary
# root and looks at the program, the English launcher link, the desktop entry, the icon, the
# AppStream data and the copyright file, validates them with Debian's own tools, and runs a
# batch example with the unpacked program.
#
#   tools/build_deb.sh [BUILD_DIR]     # default build-deb; an existing build is reused as it is
#
# A new BUILD_DIR is configured with TIRN_QT_MAJOR from the environment (default: Qt 6 where
# installed). Needs dpkg-dev (dpkg-shlibdeps, readelf), file (CPack's DEB generator runs it),
# desktop-file-utils, appstream and python3.
# Prints the path of the .deb on its last line.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${1:-$root/build-deb}")
jobs=${TIRN_JOBS:-2}
id=io.github.tirn.Tirn

fail() {
    echo "build_deb: $*" >&2
    exit 1
}
for tool in cpack dpkg-deb dpkg-shlibdeps readelf file desktop-file-validate appstreamcli python3; do
    command -v "$tool" >/dev/null || fail "$tool is not installed"
done

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIRN_BUILD_BENCH=OFF \
        ${TIRN_QT_MAJOR:+-DTIRN_QT_MAJOR=$TIRN_QT_MAJOR} >/dev/null
fi
# The package holds the program only; the tests need not be built for it.
cmake --build "$build" -j "$jobs" --target Tirn
rm -rf "$build/package"
(cd "$build" && cpack -G DEB -B "$build/package" >/dev/null) || fail "cpack failed"
debs=("$build"/package/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb in $build/package"
deb=${debs[0]}

# ---- control data ----
dpkg-deb --info "$deb" >/dev/null || fail "dpkg-deb cannot read $deb"
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = tirn ] || fail "package name $(field Package)"
depends=$(field Depends)

# ---- files ----
unpacked=$(mktemp -d "${TMPDIR:-/tmp}/tirn-deb.XXXXXX")
trap 'rm -rf "$unpacked"' EXIT
dpkg -x "$deb" "$unpacked"
outside=$(cd "$unpacked" && find . -mindepth 1 -maxdepth 1 ! -name usr)
[ -z "$outside" ] || fail "files outside /usr: $outside"
usr=$unpacked/usr
[ -x "$usr/bin/Tirn" ] && [ ! -L "$usr/bin/Tirn" ] || fail "no program usr/bin/Tirn"
[ -L "$usr/bin/Tirne" ] && [ "$(readlink "$usr/bin/Tirne")" = Tirn ] ||
    fail "usr/bin/Tirne is not a relative link to Tirn"
desktop=$usr/share/applications/$id.desktop
icon=$usr/share/icons/hicolor/scalable/apps/$id.svg
metainfo=$usr/share/metainfo/$id.metainfo.xml
copyright=$usr/share/doc/tirn/copyright
for f in "$desktop" "$icon" "$metainfo" "$copyright"; do
    [ -f "$f" ] || fail "missing ${f#"$unpacked"}"
done
cmp -s "$icon" "$root/app/tirn.svg" || fail "the packaged icon is not app/tirn.svg"

# dpkg-shlibdeps' versioned dependencies, and the package of the SVG plugin, which the program
# loads at run time and therefore does not link.
case "$(readelf -d "$usr/bin/Tirn" | grep -o 'libQt[56]Widgets' | head -1)" in
libQt6Widgets) widgets=libqt6widgets6 svg=libqt6svg6 translations=qt6-translations-l10n ;;
libQt5Widgets) widgets=libqt5widgets5 svg=libqt5svg5 translations=qttranslations5-l10n ;;
*) fail "usr/bin/Tirn links no Qt Widgets library" ;;
esac
# The Japanese font, and Qt's own translations for the Qt the program links.
[ "$(field Recommends)" = "fonts-ipafont-gothic, $translations" ] ||
    fail "Recommends: $(field Recommends)"
dependencies=$(sed 's/, */\n/g' <<<"$depends")
for p in "$widgets" libc6 libstdc++6 "$svg"; do
    cut -d' ' -f1 <<<"$dependencies" | grep -qxF "$p" || fail "Depends lacks $p: $depends"
done
grep -qF "$widgets (>= " <<<"$dependencies" || fail "Depends is not from dpkg-shlibdeps: $depends"
if ldd "$usr/bin/Tirn" | grep -q 'not found'; then
    fail "unresolved libraries: $(ldd "$usr/bin/Tirn" | grep 'not found')"
fi

# desktop-file-validate prints nothing for a clean entry, also when it only has hints.
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate: $out"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry does not name the icon $id"
grep -qx "Exec=Tirn" "$desktop" || fail "the desktop entry does not start Tirn"
# AppStream: no errors and no warnings (pedantic notes are allowed).
out=$(appstreamcli validate --no-net --no-color "$metainfo" 2>&1) || fail "appstreamcli: $out"
if grep -Eq '^[EW]: ' <<<"$out"; then
    fail "appstreamcli: $out"
fi
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the AppStream data does not launch $id.desktop"

# The copyright file in the machine-readable format: a header naming the format, Files
# paragraphs with Copyright and License, and every licence they name spelled out once.
python3 - "$copyright" <<'EOF' || fail "copyright file is not machine-readable DEP-5"
import re, sys

paragraphs = [p for p in re.split(r"\n\s*\n", open(sys.argv[1], encoding="utf-8").read()) if p.strip()]

def fields(p):
    out, key = {}, None
    for line in p.splitlines():
        if line[:1] in (" ", "\t"):
            if key is None:
                sys.exit("continuation line without a field: " + line)
            out[key] += "\n" + line
        else:
            key, sep, value = line.partition(":")
            if not sep or not re.fullmatch(r"[A-Za-z][A-Za-z0-9-]*", key):
                sys.exit("not a field: " + line)
            out[key] = value.strip()
    return out

header, rest = fields(paragraphs[0]), [fields(p) for p in paragraphs[1:]]
if header.get("Format") != "https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/":
    sys.exit("header without the Format URL")
files = [p for p in rest if "Files" in p]
texts = {p["License"].split("\n")[0].strip(): p["License"] for p in rest if "Files" not in p}
if not files or files[0]["Files"].strip() != "*":
    sys.exit("the first Files paragraph must be Files: *")
for p in files:
    if "Copyright" not in p or "License" not in p:
        sys.exit("Files paragraph without Copyright or License: " + p["Files"])
    for name in re.split(r"\s+(?:and|or)\s+", p["License"].split("\n")[0].strip()):
        if "\n" not in p["License"] and "\n" not in texts.get(name, ""):
            sys.exit("licence %s has no text" % name)
if not re.search(r"MIT", files[0]["License"]):
    sys.exit("the program is not under MIT")
EOF
grep -q "Copyright: 2026 The Tirn developers" "$copyright" || fail "copyright holder missing"

# ---- the unpacked program runs ----
out=$(env -u QT_QPA_PLATFORM LC_ALL=C.UTF-8 "$usr/bin/Tirn" --batch -e --set SetTgtCmp=Fe2O3 \
    --print SetTgtWeight) || fail "the unpacked Tirn failed"
grep -Eqx 'SetTgtWeight=[0-9]+\.[0-9]+' <<<"$out" || fail "unexpected output: $out"
# Started by the link's name it speaks English, like -e.
english=$("$usr/bin/Tirne" --batch --set SetTgtCmp=Fe2O3 --print AddInfo,label_15)
japanese=$("$usr/bin/Tirn" --batch --set SetTgtCmp=Fe2O3 --print AddInfo,label_15)
[ "$english" = "$("$usr/bin/Tirn" --batch -e --set SetTgtCmp=Fe2O3 --print AddInfo,label_15)" ] ||
    fail "Tirne does not start like Tirn -e"
[ "$english" != "$japanese" ] || fail "Tirne and Tirn print the same texts: $english"

echo "build_deb: $(basename "$deb") checked ($(dpkg-deb --field "$deb" Installed-Size) KiB installed)"
echo "build_deb: Depends: $depends"
echo "$deb"
