# Sourced by scripts/windows.sh: Qt for 64-bit Windows, built once from
# Debian's own qt6-base source (the host's Qt version) with MinGW, together
# with a static SQLite for its SQL driver. The result lives in a cache folder
# outside the tree whose name holds the sources' versions and a digest of the
# configuration, so a second run (or another clone) on this machine reuses it.

KORDAVO_CACHE=${KORDAVO_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kordavo}
KORDAVO_MINGW=x86_64-w64-mingw32

# Only what the program uses, with the snags of Debian's stripped tarball
# avoided: it has no wintab (tablet events) and no bundled SQLite, and
# FEATURE_opengl=OFF alone still leaves dynamic GL on. QPdfWriter and the
# rich text document are QtGui's and stay on. So does Direct2D: in Qt 6.4
# turning it off also leaves out the DirectWrite font engine, which the
# Windows font database still calls, and the build fails.
KORDAVO_QT_OPTIONS=(
    -DCMAKE_BUILD_TYPE=Release
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
    -DINPUT_opengl=no -DFEATURE_tabletevent=OFF
    -DFEATURE_dbus=OFF -DFEATURE_icu=OFF -DFEATURE_network=OFF -DFEATURE_xml=OFF
    -DFEATURE_concurrent=OFF -DFEATURE_printsupport=OFF -DFEATURE_vulkan=OFF
    -DFEATURE_sql=ON -DFEATURE_sql_sqlite=ON -DFEATURE_system_sqlite=ON
    -DFEATURE_sql_odbc=OFF -DFEATURE_sql_psql=OFF -DFEATURE_sql_mysql=OFF
    -DFEATURE_sql_ibase=OFF -DFEATURE_sql_oci=OFF -DFEATURE_sql_db2=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF
    -DFEATURE_system_jpeg=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_doubleconversion=OFF
)
# Qt's SQLite driver asks for the column metadata.
KORDAVO_SQLITE_CFLAGS=(-O2 -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_COLUMN_METADATA)

kordavo_source_version() {
    apt-cache showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -V | tail -n 1
}

# deb-src lines for the mirrors and suites apt already uses, so that
# apt-get source fetches the same versions as the installed packages.
kordavo_add_deb_src() {
    if [ -n "$(kordavo_source_version qt6-base 2>/dev/null)" ]; then
        return 0
    fi
    local list=/etc/apt/sources.list.d/kordavo-deb-src.sources
    if [ "$(id -u)" -ne 0 ]; then
        echo "apt has no source packages; as root ./test --windows adds them in $list" >&2
        exit 1
    fi
    local sources=() file
    for file in /etc/apt/sources.list.d/*.sources /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -e "$file" ] && sources+=("$file")
    done
    {
        # deb822 stanzas of type deb become deb-src stanzas with the same fields.
        awk 'BEGIN { RS = ""; ORS = "\n\n" }
             /(^|\n)Types:[^\n]*deb([ \n]|$)/ && /debian/ {
                 sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' \
            $(printf '%s\n' "${sources[@]}" | grep '\.sources$')
        # one-line entries, turned into stanzas too
        grep -h '^deb[[:space:]]' $(printf '%s\n' "${sources[@]}" | grep '\.list$') /dev/null |
            grep 'debian' | sed 's/\[[^]]*\]//' |
            awk '{ printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents:", $2, $3
                   for (i = 4; i <= NF; i++) printf " %s", $i; printf "\n\n" }'
    } >"$list"
    apt-get update -qq
}

# The folder for this Qt: versions of both sources and of the compiler, and
# a digest of the options and of this recipe.
kordavo_windows_qt_dir() {
    local qt_version sqlite_version gcc_version digest
    qt_version=$(kordavo_source_version qt6-base)
    sqlite_version=$(kordavo_source_version sqlite3)
    gcc_version=$($KORDAVO_MINGW-g++-posix -dumpfullversion)
    digest=$( { printf '%s\n' "$qt_version" "$sqlite_version" "$gcc_version" \
                    "${KORDAVO_QT_OPTIONS[@]}" "${KORDAVO_SQLITE_CFLAGS[@]}"
                cat "$KORDAVO_ROOT/cmake/mingw-w64-x86_64.cmake"; } | sha256sum | cut -c1-12)
    echo "$KORDAVO_CACHE/qt-${qt_version%%+*}-mingw-$digest"
}

# The SQLite amalgamation from Debian's source, compiled into a static library.
kordavo_build_windows_sqlite() {
    local work=$1 prefix=$2
    (
        cd "$work" || exit 1
        if [ ! -d sqlite3-src ]; then
            apt-get source -qq sqlite3 >/dev/null 2>&1 || exit 1
            mv "$(find . -maxdepth 1 -type d -name 'sqlite3-*' | head -n 1)" sqlite3-src || exit 1
        fi
        cd sqlite3-src || exit 1
        if [ ! -f sqlite3.c ]; then
            { ./configure && make -s sqlite3.c; } >../sqlite.log 2>&1 || { tail -n 20 ../sqlite.log; exit 1; }
        fi
        mkdir -p "$prefix/include" "$prefix/lib" &&
            $KORDAVO_MINGW-gcc-posix "${KORDAVO_SQLITE_CFLAGS[@]}" -c sqlite3.c -o sqlite3.o &&
            $KORDAVO_MINGW-ar rcs "$prefix/lib/libsqlite3.a" sqlite3.o &&
            cp sqlite3.h sqlite3ext.h "$prefix/include/"
    )
}

# Runs in a command substitution, where set -e does not hold: every step
# says itself whether it failed, and only a whole build is marked complete.
kordavo_build_windows_qt() {
    local qt_dir=$1 work=$1.work
    mkdir -p "$work" || return 1
    kordavo_build_windows_sqlite "$work" "$qt_dir/sqlite" || return 1
    (
        cd "$work" || exit 1
        if [ ! -d qtbase-src ]; then
            apt-get source -qq qt6-base >/dev/null 2>&1 || exit 1
            mv "$(find . -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)" qtbase-src || exit 1
        fi
        cmake -S qtbase-src -B qtbase-build -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$KORDAVO_ROOT/cmake/mingw-w64-x86_64.cmake" \
            -DCMAKE_INSTALL_PREFIX="$qt_dir/qt" \
            -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
            -DSQLite3_INCLUDE_DIR="$qt_dir/sqlite/include" \
            -DSQLite3_LIBRARY="$qt_dir/sqlite/lib/libsqlite3.a" \
            "${KORDAVO_QT_OPTIONS[@]}" >configure.log 2>&1 || { tail -n 40 configure.log; exit 1; }
        # The long step (about 20 minutes on two cores); nice keeps the
        # machine usable meanwhile.
        nice -n 10 cmake --build qtbase-build --parallel "$(nproc)" >build.log 2>&1 ||
            { grep -B 2 -A 12 -e '^FAILED:' -e ' error: ' build.log | head -n 60; exit 1; }
        cmake --install qtbase-build >install.log 2>&1 || { tail -n 40 install.log; exit 1; }
    ) || return 1
    rm -rf "$work"
    touch "$qt_dir/complete"
}

# Prints the Qt folder, building it first when this configuration has none.
kordavo_windows_qt() {
    local qt_dir
    qt_dir=$(kordavo_windows_qt_dir)
    if [ ! -f "$qt_dir/complete" ]; then
        echo "Building Qt for Windows into $qt_dir (once for this configuration)" >&2
        local start=$SECONDS
        if ! kordavo_build_windows_qt "$qt_dir" >&2; then
            echo "Building Qt for Windows failed; $qt_dir.work keeps what was done" >&2
            return 1
        fi
        echo "Qt for Windows built in $(( SECONDS - start )) s" >&2
    fi
    echo "$qt_dir"
}
