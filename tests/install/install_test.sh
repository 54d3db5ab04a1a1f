#!/usr/bin/env bash
# Installs the build into a temporary root (DESTDIR, prefix /usr) and checks the installed
# program as a collector's desktop would meet it: the files where a desktop looks for them, the
# desktop entry, the AppStream metadata and the manual pages valid, both programs running from
# the installed copy with no build folder in reach, the program folder made and seeded in the data
# home on first run, and a collection named on the command line opened.
#
#   install_test.sh BUILD_FOLDER VERSION
set -euo pipefail
build=$(cd "$1" && pwd)
version=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR=$root cmake --install "$build" --prefix /usr >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }

usr=$root/usr
id=org.kestrelhouse.vazovi
for f in bin/vazovi bin/vazovi-cli share/kestrelhouse/COUNTRY.LST share/kestrelhouse/MISC.LST \
    share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
    share/icons/hicolor/scalable/apps/$id.svg share/icons/hicolor/48x48/apps/$id.png \
    share/icons/hicolor/256x256/apps/$id.png \
    share/man/man1/vazovi.1.gz share/man/man1/vazovi-cli.1.gz \
    share/doc/vazovi/copyright share/doc/vazovi/changelog.gz; do
  [ -f "$usr/$f" ] || fail "not installed: /usr/$f"
done
for size in 16 22 24 32 48 64 128 256; do
  png=$usr/share/icons/hicolor/${size}x${size}/apps/$id.png
  # Width and height from the PNG header (bytes 16 to 23).
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
  [ "$dims" = "${size}x${size}" ] || fail "$png is $dims"
done

# The desktop entry and the metadata.
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$usr/share/applications/$id.desktop" || fail "desktop-file-validate"
else
  echo "(desktop-file-validate missing: package desktop-file-utils)"
fi
grep -qx 'Exec=vazovi %f' "$usr/share/applications/$id.desktop" || fail "the entry does not pass the file"
grep -qx 'MimeType=application/x-dbf;' "$usr/share/applications/$id.desktop" || fail "no dBase MIME type"
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
else
  echo "(appstreamcli missing: package appstream)"
fi
grep -q "<release version=\"$version\"" "$usr/share/metainfo/$id.metainfo.xml" || fail "metainfo release is not $version"

# The manual pages: formatted without a warning, with the version.
for page in vazovi vazovi-cli; do
  if command -v man >/dev/null; then
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man $page: $warnings"
  fi
  zcat "$usr/share/man/man1/$page.1.gz" | head -1 | grep -q "\"vazovi $version\"" || fail "man $page lacks the version"
done

# The installed programs, run with a fresh home: nothing of the build in reach.
export HOME=$work/home XDG_DATA_HOME=$work/home/data XDG_CONFIG_HOME=$work/home/config
unset VAZOVI_PROGRAM_DIR
mkdir -p "$HOME"
cd "$work"
cli=$usr/bin/vazovi-cli
"$cli" --help | grep -q '^Usage: vazovi-cli' || fail "vazovi-cli --help"
[ "$("$cli" --version)" = "vazovi-cli (Kestrelhouse Vazovi 97) $version" ] || fail "vazovi-cli --version: $("$cli" --version)"
[ "$("$usr/bin/vazovi" --version)" = "vazovi (Kestrelhouse Vazovi 97) $version" ] || fail "vazovi --version"
"$usr/bin/vazovi" --help | grep -q '^Usage: vazovi ' || fail "vazovi --help"

# create, append, dump: what goes in comes out.
stamps=$work/stamps
mkdir -p "$stamps"
"$cli" create "$stamps/MINE.DBF" >/dev/null || fail "create"
cat >"$work/in.txt" <<'ROWS'
"12a","Kestrel over the fells ""1997""","Great Britain","25p","1.5","2","1997","","Mint","Main Collection","Commemorative","Unused","Birds","1997-10-04","0.25","OG","Multicolored","","NH","","12","","","","No"
"7","Sower","France","10c","0.4","1","1906","from a club circuit book","Used","Duplicates","Definitive","CDS","","","0","","Red","Thin","Hinged","Pair","7","","","","Yes"
ROWS
"$cli" append "$stamps/MINE.DBF" <"$work/in.txt" || fail "append"
"$cli" dump "$stamps/MINE.DBF" >"$work/out.txt" || fail "dump"
diff -u "$work/in.txt" "$work/out.txt" || fail "the dump differs from what was appended"
"$cli" check "$stamps/MINE.DBF" >/dev/null || fail "check"

# vazovi-cli report finds its program folder in the data home and seeds it there, never in the
# installed bin folder (which root could write).
"$cli" report "$stamps/MINE.DBF" "Full Report" --text "$work/full.txt" || fail "report"
[ -s "$work/full.txt" ] || fail "empty report"
program=$XDG_DATA_HOME/kestrelhouse
[ -f "$program/DUZEZIVA.URP" ] || fail "no report definitions in $program"
[ -f "$program/COUNTRY.LST" ] || fail "the program folder was not seeded from /usr/share/kestrelhouse"
cmp -s "$program/COUNTRY.LST" "$usr/share/kestrelhouse/COUNTRY.LST" || fail "COUNTRY.LST seeded wrong"
[ ! -e "$usr/bin/DUZEZIVA.URP" ] || fail "files written into the installed bin folder"

# The desktop program, offscreen: the first run makes MASTER.DBF in the data home; a run given a
# collection opens it (it becomes the last database). VAZOVI_SCREENSHOT closes the window once up.
mkdir -p "$XDG_CONFIG_HOME/kestrelhouse"
printf '[Misc]\r\nShow Tips=No\r\n' >"$XDG_CONFIG_HOME/kestrelhouse/DUZEZIVA.INI"
export QT_QPA_PLATFORM=offscreen
VAZOVI_SCREENSHOT=$work/first.png timeout 60 "$usr/bin/vazovi" || fail "vazovi, first run"
[ -f "$program/MASTER.DBF" ] || fail "the first run made no MASTER.DBF in $program"
[ ! -e "$usr/bin/MASTER.DBF" ] || fail "MASTER.DBF made in the installed bin folder"
grep -q "^Last Database=$program/MASTER.DBF" "$XDG_CONFIG_HOME/kestrelhouse/DUZEZIVA.INI" || fail "first run: last database"
(cd "$stamps" && VAZOVI_SCREENSHOT=$work/named.png timeout 60 "$usr/bin/vazovi" MINE.DBF) || fail "vazovi MINE.DBF"
grep -q "^Last Database=$stamps/MINE.DBF" "$XDG_CONFIG_HOME/kestrelhouse/DUZEZIVA.INI" ||
  fail "vazovi MINE.DBF did not open it: $(cat "$XDG_CONFIG_HOME/kestrelhouse/DUZEZIVA.INI")"
[ -s "$work/named.png" ] || fail "no main window"
echo "install test: passed"
