#!/bin/sh
# A CDX tag on a number whose key bytes end in 0x20: fuellwerk-fill drops that byte as if it
# were a trailing blank of a text key; Harbour (and FoxPro) fill dropped bytes of number and
# date keys with 0x00, so the key reads back as another number and a seek fails.
#   repro.sh WORKDIR     (HB_BIN: Harbour's bin folder; FW: fuellwerk-fill)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=${1:-/tmp/fw-repro-cdx-number}
HB_BIN=${HB_BIN:-$here/../../../../harbour-src/_inst/bin}
FW=${FW:-$here/../../../build/bin/fuellwerk-fill}
rm -rf "$work" && mkdir -p "$work"
"$HB_BIN/hbmk2" -q -gtcgi "$here/mkpreise.prg" -o"$work/mkpreise" >/dev/null
"$HB_BIN/hbmk2" -q -gtcgi "$here/../idxcheck.prg" -o"$work/idxcheck" >/dev/null
cd "$work"
./mkpreise .
"$FW" -q -n 1 --rules "$here/wert.rules.ini" preise.dbf
./idxcheck DBFCDX EN "$work/ref" preise.dbf
