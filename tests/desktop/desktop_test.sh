#!/usr/bin/env bash
# The desktop integration as `cmake --install` puts it under a prefix of the
# user's own: the program, a valid desktop entry that starts it by its full
# path, the icon, and the drawings' file types, which the desktop's MIME
# database then tells by extension (either case) and by content alone.
#   desktop_test.sh BUILD_DIR WORKDIR
set -u
build=$1 work=$2
fail() { echo "desktop_test: $*" >&2; exit 1; }
for tool in desktop-file-validate update-mime-database gio; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done
rm -rf "$work"
mkdir -p "$work/files"
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1 || fail "cmake --install failed: $(cat "$work/install.log")"

entry="$prefix/share/applications/velmo.desktop"
[ -x "$prefix/bin/velmo" ] || fail "no program installed"
[ -f "$prefix/share/icons/hicolor/scalable/apps/velmo.svg" ] || fail "no icon installed"
desktop-file-validate "$entry" || fail "the desktop entry is not valid"
grep -qx "Exec=$prefix/bin/velmo %f" "$entry" || fail "the entry does not start the installed program: $(grep Exec "$entry")"
grep -q '^MimeType=.*application/x-velmo-drawing;' "$entry" || fail "the entry does not open drawings"
[ -f "$prefix/share/mime/mime.cache" ] || fail "the MIME database was not updated"
"$prefix/bin/velmo" --version > /dev/null || fail "the installed program does not run"

# Files of each kind, named as users name them and not named at all.
vld=$(printf 'Velmo\x83\x66\x81\x5b\x83\x5e\x83\x74\x83\x40\x83\x43\x83\x8b\t5.2\t2020.11.26\r\n$EOF\r\n')
old=$(printf 'Velmo\x82\x52\x83\x66\x81\x5b\x83\x5e\x83\x74\x83\x40\x83\x43\x83\x8b\r\n$EOF\r\n')
printf '%s' "$vld" > "$work/files/plan.vld"
printf '%s' "$vld" > "$work/files/PLAN.VLD"
printf '%s' "$vld" > "$work/files/drawing"
printf '%s' "$old" > "$work/files/older"
printf 'CMP-VLD\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x01\x02' > "$work/files/plan.vlz"
cp "$work/files/plan.vlz" "$work/files/packed"
printf 'just text\n' > "$work/files/notes"
type_of() {
  XDG_DATA_HOME="$prefix/share" XDG_DATA_DIRS=/usr/share gio info -a standard::content-type "$1" |
    sed -n 's/^ *standard::content-type: //p'
}
for f in plan.vld PLAN.VLD drawing older; do
  [ "$(type_of "$work/files/$f")" = application/x-velmo-drawing ] || fail "$f: $(type_of "$work/files/$f")"
done
for f in plan.vlz packed; do
  [ "$(type_of "$work/files/$f")" = application/x-velmo-compressed-drawing ] || fail "$f: $(type_of "$work/files/$f")"
done
[ "$(type_of "$work/files/notes")" = text/plain ] || fail "plain text taken for a drawing"
echo "desktop_test: ok"
