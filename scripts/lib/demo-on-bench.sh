#!/usr/bin/env bash
# The demo on the Wine bench (scripts/demo.sh starts it): lays out the installation and the
# stand-in runtime, runs ostrel.exe through the watcher, takes the screenshot and reports.
#   demo-on-bench.sh ARCH SHOT-AFTER-SECONDS
set -euo pipefail
me=demo
# shellcheck source=scripts/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
[[ -n ${OSTREL_WINE_BENCH:-} ]] || die "this is for the demo's own use on the Wine bench"
use_arch "$1"
shot_after=$2 run_limit=90 demo=$root/build/demo

# Where Windows puts programs of this kind, as Windows paths and inside the sandbox.
programs='C:\Program Files (x86)'
[[ $arch == i686 ]] || programs='C:\Program Files'
install_dir=$programs'\Ostrel' java_home=$programs'\Java\jre1.4'
unix_path() { local path=${1#C:\\}; echo "$WINEPREFIX/drive_c/${path//\\//}"; }
install_unix=$(unix_path "$install_dir") java_unix=$(unix_path "$java_home")
desktop_unix=$WINEPREFIX/drive_c/users/$(id -un)/Desktop
[[ -d $desktop_unix ]] || desktop_unix=$(find "$WINEPREFIX/drive_c/users" -mindepth 2 -maxdepth 2 \
    -name Desktop -not -path '*/Public/*' | head -1)
screenshot=$demo/screenshot.png launcher_output=$demo/ostrel.out run_marker=$demo/.run-started

for piece in ostrel.exe ostrel_watch.exe Ombrix.dll standins/jre/bin/javaw.exe standins/jre/bin/java.exe; do
    [[ -f $bin/$piece ]] || die "the build did not make ${bin#"$root"/}/$piece"
done
mkdir -p "$install_unix/LIB" "$java_unix/bin"
cp "$bin/ostrel.exe" "$bin/Ombrix.dll" "$install_unix/"
cp "$root/app/res/ostrel.ico" "$install_unix/Icon.ico"
echo "Stand-in for the Corvex class archive; the stand-in runtime does not read it." \
    >"$install_unix/LIB/Corvex.jar"
cp "$bin/standins/jre/bin/"*.exe "$java_unix/bin/"
register_runtime "$java_home" "RuntimeLib=$java_home\\bin\\client\\jvm.dll" MicroVersion=2
touch "$run_marker"

# The stand-in Corvex shows its frame 3 s after its start and answers the fifth wake-up datagram
# (the third send): the screenshot catches the picture box and the Corvex window together. It
# records beside itself, where the report below looks.
export OSTREL_STANDIN_RECORD=$java_home'\bin\corvex-standin.log'
export OSTREL_CORVEX_WINDOWS='SunAwtFrame:Corvex' OSTREL_CORVEX_DELAY_MS=3000
export OSTREL_CORVEX_ANSWER_AFTER=5 OSTREL_CORVEX_LIFETIME_MS=$((run_limit * 1000))
cp "$bin/ostrel_watch.exe" "$demo/ostrel_watch.exe"
say "starting ostrel.exe in $install_dir (display $DISPLAY)"
# The watcher stops the launcher after run_limit seconds (exit code 124); timeout stops a
# watcher that hangs.
(cd "$install_unix" && exec timeout $((run_limit + 30)) "$root/scripts/wine-run" "$arch" \
    "$demo/ostrel_watch.exe" "$install_dir\ostrel.exe" "$install_dir" "$run_limit") \
    >"$launcher_output" 2>&1 &
watcher=$! started=$SECONDS
while ((SECONDS - started < shot_after)) && kill -0 "$watcher" 2>/dev/null; do sleep 1; done
shot_note="(screenshot failed)"
if import -window root "$screenshot" 2>/dev/null; then shot_note=$screenshot; fi
wait "$watcher" && exit_code=0 || exit_code=$?
exit_note="$exit_code (after about $((SECONDS - started)) s)"
echo
echo "=== ostrel.exe exit code: $exit_note"
# The watcher read the launcher's log (its main window's Memo1) until the launcher ended.
cat "$launcher_output"
echo "--- what the stand-in runtime recorded"
found=''
while IFS= read -r -d '' file; do
    found=1
    echo "$file:"
    sed 's/^/    /' "$file"
done < <(find "$java_unix" "$install_unix" -type f -newer "$run_marker" \
    \( -iname '*record*' -o -iname '*.log' -o -iname '*.txt' \) -print0)
[[ -n $found ]] || echo "(no record file found under $java_unix or $install_unix)"
# Every file the run created or changed on C: (Windows' own folders aside), with the text of
# small text files such as the start script.
echo "--- files the run created or changed"
while IFS= read -r -d '' file; do
    printf '%8d  %s\n' "$(stat -c %s "$file")" "$file"
    if (($(stat -c %s "$file") <= 4096)) && grep -Iq . "$file"; then sed 's/^/          | /' "$file"; fi
done < <(find "$WINEPREFIX/drive_c" -path "$WINEPREFIX/drive_c/windows" -prune -o \
    -type f -newer "$run_marker" -print0)
echo "--- where everything is"
echo "build shown:        $preset ($bin)"
echo "sandbox prefix:     $WINEPREFIX"
echo "installation:       $install_unix  ($install_dir)"
echo "stand-in runtime:   $java_unix  ($java_home, registered as $java_key, 32-bit view)"
echo "desktop folder:     $desktop_unix"
echo "screenshot:         $shot_note"
echo "launcher's output:  $launcher_output"
echo "look around again:  scripts/winebench.sh --prefix build/demo/wineprefix --keep bash"
exit "$exit_code"
