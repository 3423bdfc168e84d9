#!/usr/bin/env bash
# Builds the Debian packages from debian/ with debhelper (dpkg-buildpackage -b): kavrel and its
# kavrel-dbgsym, release builds with Debian's hardening flags. The tree is built twice from a
# copy in build-deb/; the run fails unless both builds give the same bytes, the programs carry
# no .comment section and lintian finds no error. The packages land in build-deb/.
# Install with: sudo apt install ./build-deb/kavrel_*.deb
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh" debhelper dpkg-dev file lintian

version="$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)"
arch="$(dpkg-architecture -q DEB_HOST_ARCH)"
# The files' times in the packages: the changelog's date, as dpkg-buildpackage would take it.
SOURCE_DATE_EPOCH="$(dpkg-parsechangelog -l "$root/debian/changelog" -S Timestamp)"
export SOURCE_DATE_EPOCH
export DEB_BUILD_OPTIONS="parallel=${KAVREL_JOBS:-2}"
# debhelper gives the build a home of its own: keep ccache's cache where it is.
if command -v ccache >/dev/null; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_DIR="${CCACHE_DIR:-$(ccache -k cache_dir)}"
fi

out="$root/build-deb"
work="$out/work"
source_tree="$work/kavrel-$version"
packages=("kavrel_${version}_${arch}.deb" "kavrel-dbgsym_${version}_${arch}.deb")

# The tree as git sees it, uncommitted changes included; without git, all but build output.
# Both builds start from this one copy, whatever changes in the checkout meanwhile.
snapshot_tree() {
    mkdir -p "$out"
    if git -C "$root" rev-parse --git-dir >/dev/null 2>&1; then
        local file
        while IFS= read -r -d '' file; do
            [ -e "$root/$file" ] && printf '%s\0' "$file" # a deleted file is no longer in the tree
        done < <(git -C "$root" ls-files -z --cached --others --exclude-standard) |
            tar -C "$root" --null -T - -cf "$out/tree.tar"
    else
        tar -C "$root" --exclude=./build --exclude='./build-*' --exclude=./data -cf "$out/tree.tar" .
    fi
}

# Builds in the same folder every time, so that nothing differs but what the build makes.
build_into() {
    local target="$1"
    rm -rf "$work" "$target"
    mkdir -p "$source_tree"
    tar -C "$source_tree" -xf "$out/tree.tar"
    echo "== dpkg-buildpackage -b ($(basename "$target"))"
    (cd "$source_tree" && dpkg-buildpackage -b -us -uc) >"$work.log" 2>&1 || {
        tail -n 60 "$work.log"
        echo "package build failed; the whole log is $work.log"
        exit 1
    }
    mkdir -p "$target"
    mv "$work"/*.deb "$work"/*.changes "$work"/*.buildinfo "$target"/
    rm -rf "$work"
}

rm -f "$out"/kavrel*_"${version}"_*
snapshot_tree
build_into "$out/first"
build_into "$out/second"
for package in "${packages[@]}"; do
    if ! cmp -s "$out/first/$package" "$out/second/$package"; then
        echo "FAIL: $package differs between two builds of the same tree:"
        diff <(dpkg-deb -c "$out/first/$package") <(dpkg-deb -c "$out/second/$package") || true
        exit 1
    fi
done
echo "== two builds gave identical packages: ${packages[*]}"
mv "$out/first"/* "$out"/
rm -rf "$out/first" "$out/second" "$out/tree.tar"

# shlibs:Depends names the linked Qt libraries already; a hand-written entry for one of them
# would name it twice.
named_twice="$(dpkg-deb -f "$out/${packages[0]}" Depends | tr ',' '\n' | awk '{print $1}' | sort | uniq -d)"
if [ -n "$named_twice" ]; then
    echo "FAIL: Depends names $named_twice more than once"
    exit 1
fi

# dh_strip takes out the compiler's .comment; the debugging data went to kavrel-dbgsym.
unpacked="$(mktemp -d)"
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$out/${packages[0]}" "$unpacked"
for program in "$unpacked"/usr/bin/*; do
    if readelf -S --wide "$program" | grep -qE ' \.(comment|debug_info) '; then
        echo "FAIL: $(basename "$program") still has a .comment or debugging section"
        exit 1
    fi
done

echo "== lintian"
lintian_args=(--fail-on error)
if [ "$(id -u)" -eq 0 ]; then
    lintian_args+=(--allow-root)
fi
lintian "${lintian_args[@]}" "$out/kavrel_${version}_${arch}.changes"
for package in "${packages[@]}"; do
    echo "package: $out/$package"
done
