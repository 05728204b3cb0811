#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a temporary root and starts the
# unpacked editor headless. Usage: package_test.sh BUILD_DIR
set -euo pipefail
build="$1"
work="$(mktemp -d)"
trap 'kill "$editor" 2>/dev/null || true; rm -rf "$work"' EXIT
editor=""

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >/dev/null
deb="$(ls "$work"/out/*.deb)"
echo "package: $(basename "$deb")"

depends="$(dpkg-deb -f "$deb" Depends)"
echo "depends: $depends"
case "$depends" in *libqt6widgets6*) ;; *) echo "FAIL: dependencies not derived from the binaries"; exit 1 ;; esac
case "$depends" in *webengine*) ;; *) echo "FAIL: the upload program's browser is not a dependency"; exit 1 ;; esac

dpkg-deb -x "$deb" "$work/root"
for f in usr/bin/ww_editor usr/libexec/ww_editor/ww_upload \
         usr/share/applications/ww_editor.desktop usr/share/icons/hicolor/48x48/apps/ww_editor.png \
         usr/share/icons/hicolor/scalable/apps/ww_editor.svg usr/share/metainfo/de.wildweave.ww_editor.metainfo.xml \
         usr/share/man/man1/ww_editor.1.gz usr/share/man/de/man1/ww_editor.1.gz \
         usr/bin/ww_records usr/share/man/man1/ww_records.1.gz usr/share/man/de/man1/ww_records.1.gz \
         usr/share/doc/ww-editor/copyright usr/share/doc/ww-editor/changelog.gz; do
  [ -e "$work/root/$f" ] || { echo "FAIL: $f missing from the package"; exit 1; }
done

# Every validator a distribution runs, and any complaint fails the test.
lintian_status=0
lintian_out="$(lintian --fail-on error,warning --tag-display-limit 0 "$deb" 2>&1)" || lintian_status=$?
lintian_out="$(grep -v 'running with root privileges' <<<"$lintian_out" || true)"
if [ "$lintian_status" -ne 0 ] || [ -n "$lintian_out" ]; then
  echo "FAIL: lintian:"; echo "$lintian_out"; exit 1
fi
echo "lintian: no errors or warnings"
appstreamcli validate --no-net --no-color "$work/root/usr/share/metainfo/de.wildweave.ww_editor.metainfo.xml" \
  || { echo "FAIL: appstreamcli"; exit 1; }
desktop_out="$(desktop-file-validate "$work/root/usr/share/applications/ww_editor.desktop" 2>&1)"
[ -z "$desktop_out" ] || { echo "FAIL: desktop-file-validate:"; echo "$desktop_out"; exit 1; }
echo "desktop entry valid"

mkdir "$work/cwd"
(cd "$work/cwd" && QT_QPA_PLATFORM=offscreen exec "$work/root/usr/bin/ww_editor") &
editor=$!
sleep 3
kill -0 "$editor" 2>/dev/null || { echo "FAIL: the unpacked editor did not stay up"; exit 1; }
echo "the unpacked editor runs"
"$work/root/usr/bin/ww_records" --version | grep -q '^ww_records ' || { echo "FAIL: ww_records does not run"; exit 1; }
echo "the unpacked ww_records runs"
