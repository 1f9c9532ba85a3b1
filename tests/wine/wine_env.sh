# Chooses the Windows build that the wine runs use on this host and sets wine
# up for it. Sourced, from the project's root:
#   source tests/wine/wine_env.sh
# Where the host runs 32-bit x86 code: the program as shipped (i686,
# build-windows) under wine32 in a 32-bit prefix. Where it runs none (wine32
# installed or not, its loader fails with "Exec format error"): the x86_64
# build (build-windows64) under wine64 in a 64-bit prefix. QUILLON_WINE_ARCH=
# x86_64 (or i686) set beforehand forces a choice.
#
# Exports QUILLON_WINE_ARCH (i686 or x86_64), QUILLON_WINE_BUILD (the build
# folder), QUILLON_WINE_WHY (which ran and why, in words), WINEPREFIX (in the
# build folder, unless set), WINEARCH, and for wine64 WINELOADER, WINESERVER
# and a PATH whose wine, wineserver and winepath call wine64: /usr/bin/wine
# and the tools behind it start the 32-bit loader whenever it is installed,
# even where it cannot run. Returns 1, with QUILLON_WINE_WHY saying why, when
# neither wine can run here.

quillon_wine_root=$(pwd)
quillon_wine_runs() { [ -x "$1" ] && "$1" --version >/dev/null 2>&1; }

QUILLON_WINE_WHY=
if [ "${QUILLON_WINE_ARCH:-}" = x86_64 ]; then
    QUILLON_WINE_WHY="x86_64 under wine64: chosen by QUILLON_WINE_ARCH"
elif quillon_wine_runs /usr/lib/wine/wine; then
    QUILLON_WINE_ARCH=i686
    QUILLON_WINE_WHY="i686 under wine32: this host runs 32-bit code"
elif [ "${QUILLON_WINE_ARCH:-}" = i686 ]; then
    QUILLON_WINE_WHY="i686 chosen by QUILLON_WINE_ARCH, but /usr/lib/wine/wine does not run here"
    return 1
elif [ -e /usr/lib/wine/wine ]; then
    QUILLON_WINE_ARCH=x86_64
    QUILLON_WINE_WHY="x86_64 under wine64: this host runs no 32-bit code ($(export LC_ALL=C; /usr/lib/wine/wine --version 2>&1 | tail -n 1 | sed 's/^.*: //'))"
else
    QUILLON_WINE_ARCH=x86_64
    QUILLON_WINE_WHY="x86_64 under wine64: wine32 is not installed"
fi

export QUILLON_WINE_ARCH QUILLON_WINE_WHY
export WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=${WINEDEBUG:--all}
if [ "$QUILLON_WINE_ARCH" = i686 ]; then
    export QUILLON_WINE_BUILD=$quillon_wine_root/build-windows WINEARCH=win32
else
    if ! quillon_wine_runs /usr/lib/wine/wine64; then
        QUILLON_WINE_WHY="neither wine runs here: /usr/lib/wine/wine64 is missing or fails, and no 32-bit wine runs"
        return 1
    fi
    export QUILLON_WINE_BUILD=$quillon_wine_root/build-windows64 WINEARCH=win64
    export WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
    quillon_wine_bin=$QUILLON_WINE_BUILD/wine-launchers
    mkdir -p "$quillon_wine_bin"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$quillon_wine_bin/wine"
    printf '#!/bin/sh\nexec /usr/lib/wine/wineserver64 "$@"\n' >"$quillon_wine_bin/wineserver"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 winepath.exe "$@"\n' >"$quillon_wine_bin/winepath"
    chmod +x "$quillon_wine_bin"/*
    case ":$PATH:" in *":$quillon_wine_bin:"*) ;; *) export PATH=$quillon_wine_bin:$PATH ;; esac
fi
export WINEPREFIX=${WINEPREFIX:-$QUILLON_WINE_BUILD/wineprefix}
return 0
