# Sourced by ./test --windows after scripts/windows.sh: the Windows build
# under Wine. A Wine COM port is a link in $WINEPREFIX/dosdevices to the
# pseudo-terminal of kordavo-modulesim on this machine; the Windows programs
# talk to it with the Windows communications functions.

KORDAVO_WINE_FAILURES=0

kordavo_wine_env() {
    export WINEPREFIX=$KORDAVO_WINDOWS_BUILD/wine WINEARCH=win64
    # Missing DLLs still show; Mono and Gecko are not offered.
    export WINEDEBUG=-all,err+module WINEDLLOVERRIDES="mscoree,mshtml="
    # The Qt of the tests first: its DLLs find their plugins beside them.
    export WINEPATH="Z:${1//\//\\}\\qt\\bin;Z:${KORDAVO_WINDOWS_BUILD//\//\\}\\bin"
    # Wine passes no QT_ variables to Windows programs, but these as QT_.
    export WINEQT_QPA_PLATFORM=offscreen
}

# A prefix of its own, made once, and one server for the whole run. Wine's
# device manager gives the machine's serial ports (/dev/ttyS0 …) the first
# COM numbers when the server starts; those links go, so the tests never
# write to a real port, and the simulator's port is the first number from 5
# on that Wine did not take: a link there is the only way in.
kordavo_wine_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Making the Wine prefix $WINEPREFIX"
        wineboot --init >/dev/null 2>&1
        wineserver -w
    fi
    # Links to pseudo-terminals are the tests' own, from an earlier run.
    find "$WINEPREFIX/dosdevices" -maxdepth 1 -name 'com*' -lname '/dev/pts/*' -delete
    wineserver -p >"$KORDAVO_WINE_WORK/wineserver.log" 2>&1 || true   # one may run already
    wine cmd /c exit >/dev/null 2>&1
    local taken n
    taken=$(cd "$WINEPREFIX/dosdevices" && ls -d com* 2>/dev/null || true)
    rm -f "$WINEPREFIX"/dosdevices/com*
    for n in $(seq 5 30); do
        if ! grep -qx "com$n" <<<"$taken"; then
            KORDAVO_WINE_COM=COM$n
            break
        fi
    done
}

kordavo_wine_done() {
    wineserver -k 2>/dev/null || true
    rm -f "$WINEPREFIX"/dosdevices/com*
    if [ -n "${KORDAVO_XVFB_PID:-}" ]; then
        kill "$KORDAVO_XVFB_PID" 2>/dev/null || true
        wait "$KORDAVO_XVFB_PID" 2>/dev/null || true
        KORDAVO_XVFB_PID=""
    fi
}

# A display of its own for the run, on the first free number: the installed
# program shows its window there through Qt's Windows plugin and Wine's X
# driver, as on a desktop.
kordavo_start_xvfb() {
    local fifo=$KORDAVO_WINE_WORK/xvfb.display
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    KORDAVO_XVFB_PID=$!
    export DISPLAY=:$(head -n 1 "$fifo")
    rm -f "$fifo"
}

kordavo_wine_check() {
    local what=$1
    shift
    if "$@"; then
        echo "  ok    $what"
    else
        echo "  FAIL  $what"
        KORDAVO_WINE_FAILURES=$((KORDAVO_WINE_FAILURES + 1))
    fi
}

# Starts kordavo-modulesim in the background; its port is in KORDAVO_SIM_PORT
# and its process in KORDAVO_SIM_PID.
kordavo_start_sim() {
    local out=$KORDAVO_WINE_WORK/sim-$RANDOM.out
    "$KORDAVO_BUILD/bin/kordavo-modulesim" "$@" >"$out" 2>&1 &
    KORDAVO_SIM_PID=$!
    local tries=0
    until [ -s "$out" ] || [ $tries -ge 50 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    KORDAVO_SIM_PORT=$(head -n 1 "$out")
}

kordavo_stop_sim() {
    kill "$KORDAVO_SIM_PID" 2>/dev/null || true
    wait "$KORDAVO_SIM_PID" 2>/dev/null || true
}

# The Windows COM port onto the simulator's pseudo-terminal.
kordavo_map_com() {
    ln -sfn "$KORDAVO_SIM_PORT" "$WINEPREFIX/dosdevices/${KORDAVO_WINE_COM,,}"
}

# Bounded: a tool that hangs, even on its way out, is a failure, not a stuck run.
kordavo_cli_win() {
    timeout 300 wine "$KORDAVO_WINDOWS_BUILD/bin/kordavo-cli.exe" "$@"
}

# The same file downloaded by the Linux tool and by the Windows tool into two
# simulated modules: their stored records must be the same bytes. Then the
# Windows tool verifies, reads out (into a file with Hungarian letters in its
# name, compared with the Linux read-out), asks the status and switches relays.
kordavo_wine_transfers() {
    local baud=$1 memory=$2 work=$KORDAVO_WINE_WORK/$1
    mkdir -p "$work"
    local source="$work/próba ő.krv"
    cp "$KORDAVO_ROOT/data/kordavo_default.dll" "$source"
    echo "kordavo-cli.exe at $baud baud, $memory numbers:"

    kordavo_start_sim --memory "$memory" --baud "$baud" --store "$work/linux.store"
    "$KORDAVO_BUILD/bin/kordavo-cli" download "$source" --port "$KORDAVO_SIM_PORT" --baud "$baud" --fast --no-register \
        >"$work/linux-download.out" 2>&1
    "$KORDAVO_BUILD/bin/kordavo-cli" readout "$work/linux-readout.krv" --port "$KORDAVO_SIM_PORT" --no-register \
        --baud "$baud" --fast >/dev/null 2>&1
    kordavo_stop_sim
    kordavo_start_sim --memory "$memory" --baud "$baud" --inputs 1 --outputs 5
    "$KORDAVO_BUILD/bin/kordavo-cli" status --port "$KORDAVO_SIM_PORT" --baud "$baud" >"$work/linux-status.out" 2>&1
    kordavo_stop_sim

    kordavo_start_sim --memory "$memory" --baud "$baud" --store "$work/windows.store" --inputs 1 --outputs 5
    kordavo_map_com
    # The register of this run, in a SQLite file as on an installer's laptop.
    local register="Z:${work//\//\\}\\register.sqlite"
    kordavo_wine_check "info" \
        bash -c "kordavo_cli_win info --port $KORDAVO_WINE_COM --baud $baud 2>&1 | tee '$work/info.out' | grep -q 'Qzv_GSM4_$memory'"
    kordavo_wine_check "download (a file named with ő)" \
        bash -c "kordavo_cli_win download '$source' --port $KORDAVO_WINE_COM --baud $baud --fast --register '$register' >'$work/download.out' 2>&1"
    kordavo_wine_check "the module stores what the Linux tool stores" \
        bash -c "test -s '$work/linux.store' && cmp '$work/linux.store' '$work/windows.store'"
    kordavo_wine_check "verify" \
        bash -c "kordavo_cli_win verify '$source' --port $KORDAVO_WINE_COM --baud $baud --fast --register '$register' >'$work/verify.out' 2>&1"
    kordavo_wine_check "readout into a file named with ű" \
        bash -c "kordavo_cli_win readout '$work/kiolvasás ű.krv' --port $KORDAVO_WINE_COM --baud $baud --fast --register '$register' >'$work/readout.out' 2>&1"
    kordavo_wine_check "the read-out file is the Linux tool's" \
        bash -c "test -s '$work/linux-readout.krv' && cmp '$work/linux-readout.krv' '$work/kiolvasás ű.krv'"
    kordavo_wine_check "status, as the Linux tool shows it" \
        bash -c "kordavo_cli_win status --port $KORDAVO_WINE_COM --baud $baud >'$work/status.out' 2>&1 && cmp '$work/linux-status.out' '$work/status.out'"
    kordavo_wine_check "relay" \
        bash -c "kordavo_cli_win relay 1010 --port $KORDAVO_WINE_COM --baud $baud >'$work/relay.out' 2>&1 && grep -q '1010' '$work/relay.out'"
    kordavo_wine_check "the register keeps the download, verified" \
        bash -c "kordavo_cli_win register list --json --register '$register' 2>&1 | tee '$work/register.out' | grep -q '\"lastVerify\": \"'"
    # On Windows the sheet is drawn on the native platform, as for a user (Qt's
    # offscreen one does not start under Wine).
    kordavo_wine_check "the site's handover sheet (PDF)" \
        bash -c "WINEQT_QPA_PLATFORM= kordavo_cli_win sheet 1 '$work/átadás ő.pdf' --installer 'Kovács János' --register '$register' >'$work/sheet.out' 2>&1 &&
                 pdftotext '$work/átadás ő.pdf' - | grep -q 'Kovács János'"
    kordavo_stop_sim
}

# A tool that recorded into the register must end: with the register on a
# thread running an event loop, kordavo-cli.exe hung on its way out under Wine
# in nine runs of ten.
kordavo_wine_register_exits() {
    local work=$KORDAVO_WINE_WORK/exits
    mkdir -p "$work"
    cp "$KORDAVO_ROOT/data/kordavo_default.dll" "$work/kapu.krv"
    local register="Z:${work//\//\\}\\register.sqlite" file="Z:${work//\//\\}\\kapu.krv"
    echo "A download and ten verifies, each recorded, each of which must end:"
    kordavo_start_sim --memory 32 --baud 115200
    kordavo_map_com
    kordavo_wine_check "every run ends, with success" bash -c "
        timeout 30 wine '$KORDAVO_WINDOWS_BUILD/bin/kordavo-cli.exe' download '$file' --port $KORDAVO_WINE_COM \
            --baud 115200 --fast --register '$register' >>'$work/runs.out' 2>&1 || exit 1
        for i in 1 2 3 4 5 6 7 8 9 10; do
            timeout 30 wine '$KORDAVO_WINDOWS_BUILD/bin/kordavo-cli.exe' verify '$file' --port $KORDAVO_WINE_COM \
                --baud 115200 --fast --register '$register' >>'$work/runs.out' 2>&1 || exit 1
        done"
    kordavo_wine_check "each run recorded" \
        bash -c "[ \$(grep -c 'nyilvántartás' '$work/runs.out') -eq 11 ]"
    kordavo_stop_sim
}

# Waits up to $2 tenths of a second for the text $1 in the file $3.
kordavo_wait_for() {
    local tries=0
    until grep -qF -- "$1" "$3" 2>/dev/null || [ $tries -ge "$2" ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
}

# In a console (a pseudo-terminal, as a terminal window gives one, wide
# enough for a line not to wrap): the Hungarian texts arrive whole, and
# Ctrl-C typed during a read-out stops it, sends "~X" and exits with 130.
kordavo_wine_console() {
    local work=$KORDAVO_WINE_WORK/console code=0
    mkdir -p "$work"
    echo "kordavo-cli.exe in a console:"
    script -qec "stty cols 250; wine '$KORDAVO_WINDOWS_BUILD/bin/kordavo-cli.exe' check '$KORDAVO_ROOT/data/kordavo_default.dll'" \
        /dev/null </dev/null >"$work/check.out" 2>&1 || true
    "$KORDAVO_BUILD/bin/kordavo-cli" check "$KORDAVO_ROOT/data/kordavo_default.dll" >"$work/check-linux.out" 2>&1 || true
    kordavo_wine_check "Hungarian text in the console" \
        bash -c "tr -d '\r' <'$work/check.out' | sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g' | grep -qxF \"\$(head -n 1 '$work/check-linux.out')\""

    kordavo_start_sim --memory 128 --baud 1200
    kordavo_map_com
    # Ctrl-C typed once the read-out's progress shows (its answer takes 22 s).
    local out=$work/interrupt.out
    {
        kordavo_wait_for ' %' 600 "$out"
        printf '\003'
        kordavo_wait_for 'megszak' 600 "$out"
    } | script -qec "stty cols 250; wine '$KORDAVO_WINDOWS_BUILD/bin/kordavo-cli.exe' readout '$work/megszakított.krv' --port $KORDAVO_WINE_COM --no-register" \
            /dev/null >"$out" 2>&1 || code=$?
    kordavo_wine_check "Ctrl-C: exit code 130" test "$code" -eq 130
    kordavo_wine_check "Ctrl-C: the module went back to normal operation" \
        grep -q 'megszakítva;.*a modul visszaállt normál üzemmódba' "$out"
    kordavo_wine_check "Ctrl-C: no file written" test ! -e "$work/megszakított.krv"
    kordavo_stop_sim
}

# The simulator taken away in the middle of a read-out, as an adapter pulled
# out of its socket: the Windows tool says what the Linux tool says, with the
# same exit code, and writes no file.
kordavo_wine_pulled() {
    local work=$KORDAVO_WINE_WORK/pulled code=0 linux_code=0
    mkdir -p "$work"
    echo "The line taken away during a read-out:"
    kordavo_start_sim --memory 128 --baud 1200
    (sleep 4; kill -9 "$KORDAVO_SIM_PID") &
    "$KORDAVO_BUILD/bin/kordavo-cli" readout "$work/linux.krv" --port "$KORDAVO_SIM_PORT" --no-register \
        >"$work/linux.out" 2>&1 || linux_code=$?
    wait $!
    kordavo_start_sim --memory 128 --baud 1200
    kordavo_map_com
    # Its answer takes 22 s; Wine starts the tool within the first few.
    (sleep 8; kill -9 "$KORDAVO_SIM_PID") &
    kordavo_cli_win readout "$work/windows.krv" --port "$KORDAVO_WINE_COM" --no-register >"$work/windows.out" 2>&1 || code=$?
    wait $!
    kordavo_wine_check "exit code $linux_code, as on Linux" test "$code" -eq "$linux_code"
    kordavo_wine_check "the Linux tool's message" \
        bash -c "diff <(head -n 1 '$work/linux.out' | sed 's/^[^:]*: //') <(head -n 1 '$work/windows.out' | sed 's/^[^:]*: //')"
    kordavo_wine_check "no file written" test ! -e "$work/windows.krv"
    kordavo_stop_sim
}

# The installer, silent, into Program Files; the installed program starts in
# its folder and stays up; the uninstaller takes everything away again.
kordavo_wine_installer() {
    local version setup target
    version=$(kordavo_windows_version)
    setup=$KORDAVO_WINDOWS_BUILD/kordavo-setup-$version.exe
    target="$WINEPREFIX/drive_c/Program Files/Kordavo"
    echo "The ZIP and the installer:"
    kordavo_wine_check "the ZIP holds the programs and their plugins" \
        bash -c "cmake -E tar tf '$KORDAVO_WINDOWS_BUILD/kordavo-$version-windows.zip' | grep -qx 'kordavo-$version/kordavo.exe' &&
                 cmake -E tar tf '$KORDAVO_WINDOWS_BUILD/kordavo-$version-windows.zip' | grep -qx 'kordavo-$version/platforms/qwindows.dll'"
    kordavo_wine_check "silent install" wine "$setup" /S
    kordavo_wine_check "installed into Program Files" test -f "$target/kordavo.exe" -a -f "$target/kordavo_default.dll"
    local link="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Kordavo/Kordavo.lnk"
    kordavo_wine_check "Start-menu shortcut" test -f "$link"
    # The shortcut's working folder, as the link stores it: its length in
    # characters (24, or 25 with the closing zero that Wine writes), then the
    # folder in UTF-16.
    local folder
    folder=$(printf '%s' 'C:\Program Files\Kordavo' | iconv -t UTF-16LE | od -An -tx1 -v | tr -d ' \n')
    kordavo_wine_check "the shortcut starts in the install folder" \
        bash -c "od -An -tx1 -v '$link' | tr -d ' \n' | grep -qE '1[89]00$folder'"
    kordavo_wine_check "installed kordavo-cli.exe runs" \
        bash -c "wine '$target/kordavo-cli.exe' --version | grep -q 'kordavo-cli $version'"
    # Started as the shortcut starts it, in its folder, with only its own
    # DLLs and plugins, on the display; its window must appear.
    local pid
    (cd "$target" && WINEPATH="" WINEQT_QPA_PLATFORM="" exec wine ./kordavo.exe) \
        >"$KORDAVO_WINE_WORK/installed.out" 2>&1 &
    pid=$!
    kordavo_wine_check "installed kordavo.exe shows its window" \
        bash -c "timeout 60 xdotool search --sync --name '^Kordavo 32/128 let.* v$version\$' >/dev/null"
    kordavo_wine_check "installed kordavo.exe is still running" kill -0 "$pid"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    kordavo_wine_check "no DLL missing" bash -c "! grep -q 'err:module' '$KORDAVO_WINE_WORK/installed.out'"
    # As Apps and Features runs it: the uninstaller copies itself away and
    # finishes in the background.
    kordavo_wine_check "silent uninstall" wine "$target/uninstall.exe" /S
    local tries=0
    while [ -e "$target" ] && [ $tries -lt 300 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    kordavo_wine_check "nothing left" test ! -e "$target" -a ! -e "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Kordavo"
}

kordavo_windows_tests() {
    local qt_dir=$1
    kordavo_wine_env "$qt_dir"
    KORDAVO_WINE_WORK=$KORDAVO_WINDOWS_BUILD/wine-tests
    rm -rf "$KORDAVO_WINE_WORK"
    mkdir -p "$KORDAVO_WINE_WORK"
    kordavo_start_xvfb
    kordavo_wine_prefix
    trap 'kordavo_stop_sim; kordavo_wine_done' EXIT
    export -f kordavo_cli_win
    export KORDAVO_WINDOWS_BUILD

    echo "The Windows tests under Wine:"
    kordavo_start_sim --memory 32 --baud 9600
    kordavo_map_com
    rm -f "$KORDAVO_WINDOWS_BUILD"/tests/*.log
    kordavo_wine_check "the core's tests, the port and the window (ctest)" \
        env KORDAVO_WINE_COM=$KORDAVO_WINE_COM KORDAVO_WINE_BAUD=9600 \
        ctest --test-dir "$KORDAVO_WINDOWS_BUILD" -L 'unit|wine'
    grep -l -e '^FAIL!' -e '^QFATAL' "$KORDAVO_WINDOWS_BUILD"/tests/*.log 2>/dev/null | xargs -r cat || true
    kordavo_stop_sim

    kordavo_wine_transfers 1200 32
    kordavo_wine_transfers 115200 128
    kordavo_wine_register_exits
    kordavo_wine_console
    kordavo_wine_pulled
    kordavo_wine_installer

    kordavo_wine_done
    trap - EXIT
    if [ "$KORDAVO_WINE_FAILURES" -ne 0 ]; then
        echo "$KORDAVO_WINE_FAILURES Windows check(s) failed" >&2
        return 1
    fi
    echo "All Windows checks passed."
}
