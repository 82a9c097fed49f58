# Sourced by ./test --windows after scripts/setup.sh: Kordavo for 64-bit
# Windows, cross-built here with MinGW against a Qt built from Debian's own
# source (scripts/windows-qt.sh), deployed into build-windows/bin/ and
# packaged as an NSIS installer and a ZIP. scripts/windows-tests.sh then
# runs it under Wine.

source "$KORDAVO_ROOT/scripts/windows-qt.sh"

KORDAVO_WINDOWS_BUILD=$KORDAVO_ROOT/build-windows
KORDAVO_WINDOWS_PACKAGES=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    tcl dpkg-dev
    wine wine64 fonts-wine
    nsis
    xvfb xdotool
)

# The Windows build: Release, the host's tools for the pictures, the help
# and the translations, tests that Wine runs.
kordavo_build_windows() {
    local qt_dir=$1
    cmake -S "$KORDAVO_ROOT" -B "$KORDAVO_WINDOWS_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$KORDAVO_ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DKORDAVO_WINDOWS_QT="$qt_dir/qt" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DKORDAVO_HOST_TOOLS="$KORDAVO_BUILD/tools" \
        -DCMAKE_CROSSCOMPILING_EMULATOR=wine \
        $(kordavo_launcher) >/dev/null
    cmake --build "$KORDAVO_WINDOWS_BUILD" --parallel "$(nproc)"
}

# The DLLs a Windows program or library imports, by name.
kordavo_dll_imports() {
    $KORDAVO_MINGW-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'
}

# Copies into $1 every DLL that the given programs and plugins need from Qt
# and from the MinGW runtime, following each DLL's own imports. What is in
# neither place is Windows' own.
kordavo_copy_dlls() {
    local dest=$1 qt_bin=$2
    shift 2
    local runtime=(
        "$($KORDAVO_MINGW-gcc-posix -print-file-name=libgcc_s_seh-1.dll)"
        "$($KORDAVO_MINGW-g++-posix -print-file-name=libstdc++-6.dll)"
        "$($KORDAVO_MINGW-gcc-posix -print-file-name=libwinpthread-1.dll)"
    )
    local pending=("$@") done=" " file dll found candidate
    while [ ${#pending[@]} -gt 0 ]; do
        file=${pending[0]}
        pending=("${pending[@]:1}")
        for dll in $(kordavo_dll_imports "$file"); do
            case "$done" in *" ${dll,,} "*) continue ;; esac
            done+="${dll,,} "
            found=""
            for candidate in "$qt_bin/$dll" "${runtime[@]}"; do
                if [ "$(basename "$candidate")" = "$dll" ] && [ -f "$candidate" ]; then
                    found=$candidate
                    break
                fi
            done
            [ -n "$found" ] || continue
            cp "$found" "$dest/$dll"
            $KORDAVO_MINGW-strip --strip-unneeded "$dest/$dll"
            pending+=("$dest/$dll")
        done
    done
}

# Beside the programs: the DLLs, the plugins Qt loads (the Windows platform,
# the native style, icons; the SQLite driver when Qt's SQL module is used),
# Qt's Hungarian texts, and a qt.conf that says where they are.
kordavo_deploy_windows() {
    local qt=$1/qt bin=$KORDAVO_WINDOWS_BUILD/bin
    local plugins=(platforms/qwindows.dll styles/qwindowsvistastyle.dll imageformats/qico.dll)
    local programs=("$bin/kordavo.exe" "$bin/kordavo-cli.exe")
    if grep -qi 'qt6sql\.dll' <(for p in "${programs[@]}"; do kordavo_dll_imports "$p"; done); then
        plugins+=(sqldrivers/qsqlite.dll)
    fi
    local plugin targets=("${programs[@]}")
    for plugin in "${plugins[@]}"; do
        mkdir -p "$bin/$(dirname "$plugin")"
        cp "$qt/plugins/$plugin" "$bin/$plugin"
        $KORDAVO_MINGW-strip --strip-unneeded "$bin/$plugin"
        targets+=("$bin/$plugin")
    done
    kordavo_copy_dlls "$bin" "$qt/bin" "${targets[@]}"
    mkdir -p "$bin/translations"
    cp /usr/share/qt6/translations/qtbase_hu.qm "$bin/translations/"
    printf '[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n' >"$bin/qt.conf"
}

kordavo_windows_version() {
    sed -n 's/^project(Kordavo VERSION \([0-9.]*\).*/\1/p' "$KORDAVO_ROOT/CMakeLists.txt"
}

# build-windows/kordavo-setup-<version>.exe and kordavo-<version>-windows.zip,
# both from what build-windows/bin/ holds.
kordavo_package_windows() {
    local version bin=$KORDAVO_WINDOWS_BUILD/bin stage=$KORDAVO_WINDOWS_BUILD/package
    version=$(kordavo_windows_version)
    rm -rf "$stage"
    mkdir -p "$stage/kordavo-$version"
    cp -r "$bin/." "$stage/kordavo-$version/"
    # The programs without their symbols; the data files named .dll are no
    # programs and are left alone.
    $KORDAVO_MINGW-strip "$stage/kordavo-$version/"*.exe
    (cd "$stage" && cmake -E tar cf "$KORDAVO_WINDOWS_BUILD/kordavo-$version-windows.zip" --format=zip "kordavo-$version")
    # The uninstaller removes what was installed, file by file, and the
    # folders only when they are empty then.
    (
        cd "$stage/kordavo-$version"
        find . -type f | sed 's|^\./||; s|/|\\|g; s|.*|Delete "$INSTDIR\\&"|'
        find . -depth -type d ! -name . | sed 's|^\./||; s|/|\\|g; s|.*|RMDir "$INSTDIR\\&"|'
    ) >"$stage/uninstall.nsh"
    makensis -V2 -INPUTCHARSET UTF8 \
        -DVERSION="$version" -DSTAGE="$stage/kordavo-$version" -DLISTS="$stage" \
        -DOUTFILE="$KORDAVO_WINDOWS_BUILD/kordavo-setup-$version.exe" \
        "$KORDAVO_ROOT/packaging/windows/kordavo.nsi"
}
