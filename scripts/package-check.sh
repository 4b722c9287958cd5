#!/usr/bin/env bash
# Builds the Debian package and checks it as a distribution would: lintian with no error and no
# warning, and every hardening the checker can see on the program.
#   scripts/package-check.sh BUILD_DIR
set -euo pipefail
build=${1:-build}
rm -f "$build"/tintara_*.deb "$build"/python3-tintara_*.deb
(cd "$build" && cpack >/dev/null)
deb=$(ls "$build"/tintara_*.deb)
# The Python module's own package, where the module was built.
python_deb=$(ls "$build"/python3-tintara_*.deb 2>/dev/null || true)
lintian --fail-on error,warning "$deb" $python_deb
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
# Debian 12's C start files carry no IBT/SHSTK note, so no program linked there passes the
# control-flow check (ours is compiled with -fcf-protection all the same): reported, not required.
hardening-check --nocfprotection "$unpacked/usr/bin/tintara"
if [ -n "$python_deb" ]; then
    dpkg-deb -x "$python_deb" "$unpacked"
    hardening-check --nocfprotection "$unpacked"/usr/lib/python3/dist-packages/tintara.*.so
fi
echo "packages clean: $(basename "$deb") ${python_deb:+$(basename "$python_deb")}"
