#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop finds there.
#   tests/install_check.sh BUILD_DIR
set -euo pipefail
build=$1
source_dir=$(dirname "$0")/..
id=$(sed -n 's/^set(TINTARA_APP_ID \([^)]*\)).*/\1/p' "$source_dir/CMakeLists.txt")
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
share=$prefix/share
for f in bin/tintara \
    share/applications/$id.desktop \
    share/metainfo/$id.metainfo.xml \
    share/icons/hicolor/scalable/apps/$id.svg \
    share/icons/hicolor/{16x16,32x32,48x48,128x128,256x256}/apps/$id.png \
    share/man/man1/tintara.1.gz \
    share/bash-completion/completions/tintara \
    share/doc/tintara/{copyright,changelog.gz} \
    share/tintara/samples/{sample-testcard.png,sample-landscape.jpg,sample-rings.png}; do
    [ -s "$prefix/$f" ] || { echo "missing from the installed tree: $f"; exit 1; }
done
# The film reader, where it was built, where the program looks for it.
if [ -e "$build/tintara-film.so" ]; then
    [ -s "$prefix/lib/tintara/readers/tintara-film.so" ] || { echo "missing from the installed tree: the film reader"; exit 1; }
fi
# The Python module, where it was built, in the prefix's site-packages.
if compgen -G "$build/python/tintara.*.so" >/dev/null; then
    compgen -G "$prefix/lib/python3.*/site-packages/tintara.*.so" >/dev/null &&
        compgen -G "$prefix/lib/python3.*/site-packages/tintara.pyi" >/dev/null ||
        { echo "missing from the installed tree: the Python module"; exit 1; }
fi
desktop-file-validate "$share/applications/$id.desktop"
appstreamcli validate --no-net --pedantic "$share/metainfo/$id.metainfo.xml" >/dev/null
grep -q '^MimeType=.*image/png;' "$share/applications/$id.desktop"
grep -q "^Icon=$id\$" "$share/applications/$id.desktop"
gzip -t "$share/man/man1/tintara.1.gz"
bash -n "$share/bash-completion/completions/tintara"
version=$("$prefix/bin/tintara" --version)
[ "$version" = "tintara $(sed -n 's/^project(Tintara VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")" ] ||
    { echo "unexpected version: $version"; exit 1; }
echo "installed tree complete: $version"
