#!/usr/bin/env bash
# Builds the Debian package build-deb/kavrel_<version>_<arch>.deb: a release build of the two
# programs with Debian's hardening flags, installed under /usr by CPack, and checked by lintian
# (any lintian error fails the run). Install it with: sudo apt install ./build-deb/kavrel_*.deb
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh" dpkg-dev file lintian
build="$root/build-deb"
export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DKAVREL_BENCHMARKS=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j "${KAVREL_JOBS:-2}" --target kavrel kavrel-setup kavrel-dist
rm -f "$build"/kavrel_*.deb
(cd "$build" && cpack -G DEB)
package="$(ls "$build"/kavrel_*.deb)"
echo "== lintian $(basename "$package")"
lintian_args=()
if [ "$(id -u)" -eq 0 ]; then
    lintian_args+=(--allow-root)
fi
lintian "${lintian_args[@]}" --fail-on error "$package"
echo "package: $package"
