#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop and a new user find there:
# the file layout, the desktop entry and AppStream data (with the desktop's own validators), the
# manual pages, --version and --help without a display, and where the installed programs keep
# their data. Usage: install_layout.sh BUILD_DIR VERSION
set -uo pipefail
build="$1"
version="$2"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
pass() { echo "PASS: $*"; }

for tool in desktop-file-validate appstreamcli; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is missing (scripts/install-deps.sh installs desktop-file-utils and appstream)"
        exit 77
    fi
done

work="$(mktemp -d /tmp/kavrel-layout.XXXXXX)"
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
# Another account must reach the installed programs for the unwritable-folder case below.
chmod 755 "$work"
prefix="$work/usr"
if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
    cat "$work/install.log"
    echo "FAIL: cmake --install"
    exit 1
fi

app_id=example.kavrel.Kavrel
expected="bin/kavrel
bin/kavrel-numbers
bin/kavrel-send
bin/kavrel-setup
share/applications/$app_id.desktop
share/doc/kavrel/copyright
share/icons/hicolor/128x128/apps/kavrel.png
share/icons/hicolor/16x16/apps/kavrel.png
share/icons/hicolor/24x24/apps/kavrel.png
share/icons/hicolor/256x256/apps/kavrel.png
share/icons/hicolor/32x32/apps/kavrel.png
share/icons/hicolor/48x48/apps/kavrel.png
share/icons/hicolor/64x64/apps/kavrel.png
share/icons/hicolor/scalable/apps/kavrel.svg
share/kavrel/XPOP.dat
share/kavrel/mac.wav
share/man/man1/kavrel-numbers.1.gz
share/man/man1/kavrel-send.1.gz
share/man/man1/kavrel-setup.1.gz
share/man/man1/kavrel.1.gz
share/metainfo/$app_id.metainfo.xml"
actual="$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)"
if [ "$actual" = "$(LC_ALL=C sort <<<"$expected")" ]; then
    pass "installed files"
else
    fail "installed files differ from the layout:"
    diff <(LC_ALL=C sort <<<"$expected") <(echo "$actual")
fi

for program in kavrel kavrel-setup kavrel-send kavrel-numbers; do
    [ -x "$prefix/bin/$program" ] || fail "$program is not executable"
done

# PNG width and height are the big-endian words at bytes 16 and 20.
for size in 16 24 32 48 64 128 256; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/kavrel.png"
    read -r width height < <(od -An -tu1 -j16 -N8 "$icon" 2>/dev/null |
        awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
    [ "${width:-0}x${height:-0}" = "${size}x${size}" ] || fail "icon ${size}x${size} is ${width:-?}x${height:-?}"
done
grep -q "<svg" "$prefix/share/icons/hicolor/scalable/apps/kavrel.svg" || fail "scalable icon is not SVG"
head -c 4 "$prefix/share/kavrel/mac.wav" | grep -q RIFF || fail "mac.wav is not a RIFF wave"
cmp -s "$prefix/share/kavrel/XPOP.dat" "$(dirname "$0")/../res/XPOP.dat" || fail "XPOP.dat is not the starter list"

desktop="$prefix/share/applications/$app_id.desktop"
if desktop-file-validate "$desktop"; then pass "desktop-file-validate"; else fail "desktop-file-validate"; fi
exec_line="$(sed -n 's/^Exec=//p' "$desktop")"
[ -x "$prefix/bin/${exec_line%% *}" ] || fail "desktop entry starts '${exec_line%% *}', which is not installed"
grep -qx "Icon=kavrel" "$desktop" || fail "desktop entry names another icon than the installed one"

metainfo="$prefix/share/metainfo/$app_id.metainfo.xml"
if appstreamcli validate --no-net "$metainfo"; then pass "appstreamcli validate"; else fail "appstreamcli validate"; fi
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    fail "metainfo does not launch the installed desktop entry"
grep -q '<summary>[^<]' "$metainfo" || fail "no English summary"
grep -q '<summary xml:lang="zh_CN">[^<]' "$metainfo" || fail "no Chinese summary"

for page in kavrel kavrel-setup kavrel-send kavrel-numbers; do
    man_page="$prefix/share/man/man1/$page.1.gz"
    gzip -t "$man_page" 2>/dev/null || fail "$page.1.gz is not gzip"
    title="$(zcat "$man_page" | sed -n 's/^\.TH \([^ ]*\) 1 .*/\1/p')"
    [ "$title" = "${page^^}" ] || fail "$page.1 has title '$title'"
done

# --version, --help and mistakes answer without a display and without touching a database.
# A clean environment as a new user has it; a sanitizer build keeps its options.
user_env=(env -i PATH="$prefix/bin:/usr/bin:/bin" HOME="$work/home" LANG=C.UTF-8)
for name in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS; do
    [ -n "${!name:-}" ] && user_env+=("$name=${!name}")
done
mkdir -p "$work/home" "$work/empty"
out="$(cd "$work/empty" && timeout 20 "${user_env[@]}" kavrel --version 2>&1)"
[ "$out" = "kavrel $version" ] || fail "kavrel --version said: $out"
out="$(cd "$work/empty" && timeout 20 "${user_env[@]}" kavrel --help 2>&1)" || fail "kavrel --help failed"
if ! head -n 1 <<<"$out" | grep -q "kavrel \[" || ! grep -q -- "--user-data" <<<"$out"; then
    fail "kavrel --help said: $out"
fi
# Without a display Qt would abort (134) with its platform message.
out="$(cd "$work/empty" && timeout 20 "${user_env[@]}" kavrel --bogus 2>&1)"
status=$?
[ "$status" = 1 ] || fail "kavrel --bogus ended with $status"
[ "$out" = "$(printf 'kavrel: 未知选项“bogus”。\n请用 kavrel --help 查看用法。')" ] || fail "kavrel --bogus said: $out"
out="$(cd "$work/empty" && timeout 20 "${user_env[@]}" kavrel 2>&1)"
status=$?
[ "$status" = 1 ] && grep -q "DISPLAY" <<<"$out" || fail "kavrel without a display ended with $status: $out"
out="$(cd "$work/empty" && timeout 20 "${user_env[@]}" kavrel-setup --help 2>&1)" || fail "kavrel-setup --help failed"
grep -q -- "--admin" <<<"$out" || fail "kavrel-setup --help said: $out"
out="$(cd "$work/empty" && timeout 20 "${user_env[@]}" kavrel-setup --version 2>&1)"
[ "$out" = "kavrel-setup $version" ] || fail "kavrel-setup --version said: $out"
out="$(cd "$work/empty" && timeout 20 "${user_env[@]}" kavrel-send --help 2>&1)" || fail "kavrel-send --help failed"
grep -q -- "--password-file" <<<"$out" || fail "kavrel-send --help said: $out"
out="$(cd "$work/empty" && timeout 20 "${user_env[@]}" kavrel-send --version 2>&1)"
[ "$out" = "kavrel-send $version" ] || fail "kavrel-send --version said: $out"
out="$(cd "$work/empty" && timeout 20 "${user_env[@]}" kavrel-send --user a --password pw 2>&1)"
status=$?
[ "$status" = 1 ] && grep -q -- "--password-file" <<<"$out" || fail "kavrel-send --password ended with $status: $out"
out="$(cd "$work/empty" && timeout 20 "${user_env[@]}" kavrel-numbers --version 2>&1)"
[ "$out" = "kavrel-numbers $version" ] || fail "kavrel-numbers --version said: $out"
out="$(cd "$work/empty" && timeout 20 "${user_env[@]}" kavrel-numbers --help 2>&1)" || fail "kavrel-numbers --help failed"
grep -q "dedupe" <<<"$out" || fail "kavrel-numbers --help said: $out"
out="$(cd "$work/empty" && printf '13800000001\n13800000001\n' | timeout 20 "${user_env[@]}" kavrel-numbers dedupe - | od -An -c | tr -d ' \n')"
[ "$out" = '13800000001\r\n' ] || fail "installed kavrel-numbers dedupe wrote: $out"
if [ -n "$(find "$work/empty" "$work/home" -mindepth 1)" ]; then
    fail "--version or --help left files behind"
    ls -lAR "$work/empty" "$work/home"
fi
pass "--version and --help"

# The installed set-up in an empty folder makes the embedded database in the per-user folder,
# private, with the starter files, where the client from the menu will find it.
data="$work/home/.local/share/kavrel"
if (cd "$work/empty" && "${user_env[@]}" kavrel-setup --admin boss --password-stdin <<<"pw1" >/dev/null); then
    [ -f "$data/kavrel.db" ] || fail "no kavrel.db in the per-user data folder"
    [ "$(stat -c %a "$data")" = 700 ] || fail "per-user data folder has mode $(stat -c %a "$data")"
    for file in "$data"/*; do
        [ "$(stat -c %a "$file")" = 600 ] || fail "$(basename "$file") in the data folder has mode $(stat -c %a "$file")"
    done
    cmp -s "$data/XPOP.dat" "$prefix/share/kavrel/XPOP.dat" || fail "starter keyword list not copied"
    cmp -s "$data/mac.wav" "$prefix/share/kavrel/mac.wav" || fail "alert sound not copied"
    [ -z "$(ls -A "$work/empty")" ] || fail "set-up wrote into the current folder"
    # The installed sender finds that database and keyword list; the new account has no balance.
    out="$(cd "$work/empty" && "${user_env[@]}" KAVREL_PASSWORD=pw1 kavrel-send --user boss --numbers - \
        --message hi <<<"13800000001" 2>&1)"
    status=$?
    [ "$status" = 2 ] && grep -q "可使用条数为0,缺少1" <<<"$out" || fail "kavrel-send ended with $status: $out"
else
    fail "kavrel-setup in an empty folder"
fi

# A terminal start in a folder that holds KVR.ini keeps that folder.
mkdir -p "$work/legacy"
touch "$work/legacy/KVR.ini"
(cd "$work/legacy" && "${user_env[@]}" XDG_DATA_HOME="$work/xdg" kavrel-setup >/dev/null) ||
    fail "kavrel-setup in a folder with KVR.ini"
[ -f "$work/legacy/kavrel.db" ] || fail "a folder with KVR.ini did not get the database"
[ ! -e "$work/xdg" ] || fail "a folder with KVR.ini still made the per-user folder"

# The menu start: the desktop entry's command in a folder that holds a database still opens the
# per-user folder; the client makes its database there before asking for the first administrator.
rm -f "$work/legacy/KVR.ini"
(
    cd "$work/legacy" || exit 1
    # shellcheck disable=SC2086 # the Exec line is split like the desktop splits it
    exec "${user_env[@]}" XDG_DATA_HOME="$work/menu" QT_QPA_PLATFORM=offscreen $exec_line >"$work/client.log" 2>&1
) &
client=$!
for _ in $(seq 1 300); do
    [ -s "$work/menu/kavrel/kavrel.db" ] && break
    kill -0 "$client" 2>/dev/null || break
    sleep 0.1
done
kill "$client" 2>/dev/null
wait "$client" 2>/dev/null
if [ -s "$work/menu/kavrel/kavrel.db" ] && [ -f "$work/menu/kavrel/XPOP.dat" ]; then
    pass "menu start uses the per-user data folder"
    modes="$(stat -c '%n %a' "$work/menu/kavrel"/* | grep -v ' 600$')"
    [ -z "$modes" ] || fail "menu start made files others can read: $modes"
else
    fail "menu start did not make its database in \$XDG_DATA_HOME/kavrel"
    cat "$work/client.log"
fi

# Refusals: each is a clear message and a failure, and nothing lands elsewhere.
failures_before=$failures
expect_refusal() { # what, expected message part, command...
    local what="$1" message="$2"
    shift 2
    local out
    if out="$(cd "$work/empty" && "$@" 2>&1 </dev/null)"; then
        fail "$what: succeeded"
    elif ! grep -q -- "$message" <<<"$out"; then
        fail "$what: said '$out'"
    fi
    [ -z "$(ls -A "$work/empty")" ] || fail "$what: wrote into the current folder"
}
touch "$work/file"
expect_refusal "XDG_DATA_HOME is a file" "$work/file 已存在, 但不是文件夹" \
    "${user_env[@]}" XDG_DATA_HOME="$work/file" kavrel-setup
mkdir -p "$work/xdg-file"
touch "$work/xdg-file/kavrel"
expect_refusal "data folder is a file" "$work/xdg-file/kavrel 已存在, 但不是文件夹" \
    "${user_env[@]}" XDG_DATA_HOME="$work/xdg-file" kavrel-setup
mkdir -p "$work/locked"
chmod 555 "$work/locked"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
expect_refusal "unwritable XDG_DATA_HOME" "无法创建 $work/locked/kavrel: Permission denied" \
    "${as_user[@]}" "${user_env[@]}" XDG_DATA_HOME="$work/locked" kavrel-setup
[ ! -e "$work/locked/kavrel" ] || fail "unwritable XDG_DATA_HOME: folder made anyway"
mkdir -p "$work/broken"
ln -s "$work/unmounted/kavrel.db" "$work/broken/kavrel.db"
out="$(cd "$work/broken" && "${user_env[@]}" kavrel-setup 2>&1)" && fail "broken kavrel.db link: succeeded"
grep -q "$work/unmounted/kavrel.db 不存在" <<<"$out" || fail "broken kavrel.db link: said '$out'"
[ ! -e "$work/unmounted" ] || fail "broken kavrel.db link: a new database was made at its target"
[ "$failures" -eq "$failures_before" ] && pass "refusals"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "install layout: all checks passed"
