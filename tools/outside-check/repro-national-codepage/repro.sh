#!/bin/sh
# An NTX written by a Harbour application running with a national code page (DEWIN): after a
# fill of one record, the application's own seeks fail and its reindex gives another order.
# fuellwerk-fill rebuilds the keys with UPPER() of ASCII letters and byte order; the
# application's keys hold "BÄCKER" and sort Ä after A. The NTX file does not say which code
# page wrote it, but its old keys do: "BÄCKER" is not UPPER("Bäcker") for fuellwerk-fill.
#   repro.sh WORKDIR     (HB_BIN: Harbour's bin folder; FW: fuellwerk-fill)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=${1:-/tmp/fw-repro-national-codepage}
HB_BIN=${HB_BIN:-$here/../../../../harbour-src/_inst/bin}
FW=${FW:-$here/../../../build/bin/fuellwerk-fill}
rm -rf "$work" && mkdir -p "$work"
"$HB_BIN/hbmk2" -q -gtcgi "$here/mknamen.prg" -o"$work/mknamen" >/dev/null
"$HB_BIN/hbmk2" -q -gtcgi "$here/../idxcheck.prg" -o"$work/idxcheck" >/dev/null
cd "$work"
./mknamen .
echo "before the fill:"; ./idxcheck DBFNTX DEWIN "$work/ref0" namen.dbf namen.ntx || true
"$FW" -q -n 1 --rules "$here/name.rules.ini" namen.dbf
echo "after the fill:"; ./idxcheck DBFNTX DEWIN "$work/ref1" namen.dbf namen.ntx
