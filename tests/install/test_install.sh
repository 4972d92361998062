#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks what landed there:
# every file, a valid desktop entry and file type, and the installed
# quenvar-render run on the installed demo project.
#   test_install.sh BUILD_DIR
set -euo pipefail
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
prefix=/usr/local
root=$stage$prefix

DESTDIR=$stage cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "install test: $*" >&2; exit 1; }

for f in bin/quenvar bin/quenvar-render bin/quenvar-psd \
         share/quenvar/mini.ttf share/quenvar/mini-LICENSE.txt \
         share/quenvar/examples/demo.zyl share/quenvar/examples/render-slurm.sh \
         share/applications/quenvar.desktop \
         share/mime/packages/quenvar.xml \
         share/icons/hicolor/scalable/apps/quenvar.svg \
         share/icons/hicolor/128x128/apps/quenvar.png \
         share/man/man1/quenvar.1 share/man/man1/quenvar-render.1 share/man/man1/quenvar-psd.1; do
  [ -f "$root/$f" ] || fail "missing $f"
done
for f in bin/quenvar bin/quenvar-render bin/quenvar-psd; do
  [ -x "$root/$f" ] || fail "$f is not executable"
done
# Nothing lands outside the prefix, and a DESTDIR install touches no
# desktop databases.
[ -z "$(find "$stage" -mindepth 1 -maxdepth 1 ! -name usr)" ] || fail "files outside /usr"
[ ! -e "$root/share/mime/mime.cache" ] || fail "mime database rebuilt inside DESTDIR"

desktop-file-validate "$root/share/applications/quenvar.desktop"
grep -q '^MimeType=.*application/x-quenvar-project;' "$root/share/applications/quenvar.desktop" \
  || fail "the desktop entry does not claim projects"

# The file-type package builds a database that knows *.zyl.
cp -r "$root/share/mime" "$stage/mime"
update-mime-database "$stage/mime"
grep -q 'application/x-quenvar-project' "$stage/mime/globs2" || fail "no project type"
grep -q '\*\.zyl' "$stage/mime/globs2" || fail "no *.zyl glob"

for page in quenvar quenvar-render quenvar-psd; do
  man -l --warnings "$root/share/man/man1/$page.1" >/dev/null 2>"$stage/man.err"
  [ ! -s "$stage/man.err" ] || fail "man page $page: $(cat "$stage/man.err")"
done

for tool in quenvar quenvar-render quenvar-psd; do
  "$root/bin/$tool" --version | grep -q 'Quenvar v' || fail "$tool --version"
  "$root/bin/$tool" --help | grep -qi 'usage' || fail "$tool --help"
done

# The installed tool on the installed demo, from outside the build.
cd "$stage"
"$root/bin/quenvar-render" "$root/share/quenvar/examples/demo.zyl" --frames 2 --png \
  --out "$stage/frames" --ora "$stage/demo.ora" 2>"$stage/render.log" \
  || { cat "$stage/render.log" >&2; fail "quenvar-render failed"; }
[ -f "$stage/frames/Demo00001.png" ] && [ -f "$stage/frames/Demo00002.png" ] \
  || fail "frames not written"
[ "$(head -c 54 "$stage/demo.ora" | tail -c 16)" = image/openraster ] || fail "bad .ora"
echo "install test: ok"
