#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop finds there.
#   tests/install_check.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
share=$prefix/share
for f in bin/tintara \
    share/applications/org.example.tintara.desktop \
    share/metainfo/org.example.tintara.metainfo.xml \
    share/icons/hicolor/scalable/apps/org.example.tintara.svg \
    share/icons/hicolor/{16x16,32x32,48x48,128x128,256x256}/apps/org.example.tintara.png \
    share/tintara/samples/{sample-testcard.png,sample-landscape.jpg,sample-rings.png}; do
    [ -s "$prefix/$f" ] || { echo "missing from the installed tree: $f"; exit 1; }
done
desktop-file-validate "$share/applications/org.example.tintara.desktop"
appstreamcli validate --no-net "$share/metainfo/org.example.tintara.metainfo.xml" >/dev/null
grep -q '^MimeType=.*image/png;' "$share/applications/org.example.tintara.desktop"
version=$("$prefix/bin/tintara" --version)
[ "$version" = "tintara $(sed -n 's/^project(Tintara VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../CMakeLists.txt")" ] ||
    { echo "unexpected version: $version"; exit 1; }
echo "installed tree complete: $version"
