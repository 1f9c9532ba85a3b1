#!/usr/bin/env bash
# Prepares a wine prefix (32-bit unless WINEARCH says win64) for the end-to-end runs of the Windows program:
#   tests/wine/setup_prefix.sh PREFIX
# Made once and kept (a second call only re-applies the registry settings):
# a prefix without the Mono and Gecko installers (they need the
# network), the dialog fonts replaced by an installed Japanese font so that
# the dialogs' Japanese text renders, and windows drawn with their own frame
# and caption by wine (Xvfb has no window manager).
set -euo pipefail
prefix=${1:?usage: setup_prefix.sh PREFIX}
export WINEPREFIX=$prefix WINEARCH=${WINEARCH:-win32} WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all

if [ ! -f "$prefix/system.reg" ]; then
    wine wineboot -i >/dev/null 2>&1
fi

font=${QUILLON_WINE_FONT:-Noto Sans CJK JP}
reg=$(mktemp --suffix=.reg)
trap 'rm -f "$reg"' EXIT
{
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    for name in "ＭＳ Ｐゴシック" "ＭＳ ゴシック" "MS UI Gothic" "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma"; do
        printf '"%s"="%s"\r\n' "$name" "$font"
    done
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n'
} | { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$reg"
wine regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1
