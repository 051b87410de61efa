#!/bin/sh
# shellcheck disable=SC2046,SC2086  # lists of index files are split into words on purpose
# Fills copies of tables whose index files Harbour wrote with fuellwerk-fill, then lets Harbour's
# DBFNTX/DBFCDX check every index (idxcheck.prg). Not part of ./test: it needs a Harbour build.
#   tools/outside-check/run.sh [WORKDIR]
# HB_BIN: Harbour's bin folder (hbmk2); FW: fuellwerk-fill; FIXTURES: the shared index fixtures.
set -u
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
work=${1:-/tmp/fw-outside-check}
HB_BIN=${HB_BIN:-$here/../../../harbour-src/_inst/bin}
FW=${FW:-$repo/build/bin/fuellwerk-fill}
FIXTURES=${FIXTURES:-$here/../../../shared/fixtures/indexes/harbour}
DATA=$repo/data/ProgrammDaten
CP=${CP:-EN}

rm -rf "$work" && mkdir -p "$work/bin" || exit 2
for p in idxcheck mkextra mkedge; do
  "$HB_BIN/hbmk2" -q -gtcgi "$here/$p.prg" -o"$work/bin/$p" >"$work/bin/$p.log" 2>&1 ||
    { cat "$work/bin/$p.log"; exit 2; }
done

fill() {  # fill DIR SEED N TABLE [--index FILE ...]
  dir=$1 seed=$2 n=$3; shift 3
  (cd "$dir" && "$FW" -q -n "$n" --seed "$seed" --suggest --data "$DATA" "$@") >>"$dir/fill.log" 2>&1
}
stopfill() {  # like fill, but Ctrl+C after a moment: the records written until then stay
  dir=$1 seed=$2 n=$3; shift 3
  (cd "$dir" && exec "$FW" -q -n "$n" --seed "$seed" --suggest --data "$DATA" "$@") >>"$dir/fill.log" 2>&1 &
  pid=$!; sleep 0.15; kill -INT $pid; wait $pid
}
check() {  # check DIR RDD TABLE [INDEX ...]
  dir=$1 rdd=$2 table=$3; shift 3
  (cd "$dir" && "$work/bin/idxcheck" "$rdd" "$CP" "$dir/ref-$table" "$table" "$@") >"$dir/$table.check" 2>&1
  rc=$?
  grep -E '^(PASS|FAIL|     )' "$dir/$table.check" | sed "s|^|${dir#"$work"/}/$table: |"
  [ $rc -eq 0 ] || status=1
}
ntxl="lfirma.ntx lplzseit.ntx lsaldo.ntx lnrakt.ntx lfirma6.ntx"
idxargs() { for f in "$@"; do printf -- '--index %s ' "$f"; done; }
status=0

# the shared fixtures: a few hundred to some thousand records appended
d=$work/shared; cp -r "$FIXTURES" "$d" && chmod -R u+w "$d"
fill "$d" 7 500 $(idxargs $ntxl) liefer.dbf
fill "$d" 8 700 bestand.dbf
fill "$d" 9 3000 --index grname.ntx gross.dbf
fill "$d" 10 3000 grossfox.dbf
check "$d" DBFNTX liefer.dbf liefer.ntx $ntxl
check "$d" DBFCDX bestand.dbf
check "$d" DBFNTX gross.dbf gross.ntx grname.ntx
check "$d" DBFCDX grossfox.dbf

# the same after a stop (Ctrl+C in the middle of the fill)
d=$work/stop; cp -r "$FIXTURES" "$d" && chmod -R u+w "$d"
stopfill "$d" 11 900000 $(idxargs $ntxl) liefer.dbf
stopfill "$d" 12 5000000 bestand.dbf
check "$d" DBFNTX liefer.dbf liefer.ntx $ntxl
check "$d" DBFCDX bestand.dbf

# tables as a Clipper-style application keeps them: six NTX files, a CDX of eight tags
d=$work/extra; mkdir -p "$d"
(cd "$d" && "$work/bin/mkextra" . "$CP") >"$d/mkextra.log" 2>&1
fill "$d" 13 2000 --index kname.ntx --index kgebdat.ntx --index kumsatz.ntx --index kaktiv.ntx \
  --index kplz.ntx kunden.dbf
fill "$d" 14 2500 artikel.dbf
check "$d" DBFNTX kunden.dbf kunden.ntx kname.ntx kgebdat.ntx kumsatz.ntx kaktiv.ntx kplz.ntx
check "$d" DBFCDX artikel.dbf

# keys at the edges: overflowing STR(), DESCEND(), cut text, IIF(), logical keys, an alias, blank
# values and deleted records among the new ones (edge.rules.ini)
d=$work/edge; mkdir -p "$d"
(cd "$d" && "$work/bin/mkedge" . "$CP") >"$d/mkedge.log" 2>&1
edge="e_alias e_betru e_date e_desc e_empty e_iif e_log e_lowu e_minus e_num e_str7 e_strz e_sub e_trim e_upnd e_ym e_none e_long e_kurzu"
fill "$d/ntx" 21 1500 --rules "$here/edge.rules.ini" $(idxargs $(printf '%s.ntx ' $edge)) rand.dbf
fill "$d/cdx" 22 1500 --rules "$here/edge.rules.ini" rand.dbf
# e_num.ntx (a computed number in an NTX) is left as it was, with its reason: not checked
check "$d/ntx" DBFNTX rand.dbf $(printf '%s.ntx ' $edge | sed 's/e_num.ntx //')
check "$d/cdx" DBFCDX rand.dbf

# emptied first (--zap), then filled
d=$work/zap; mkdir -p "$d"
(cd "$d" && "$work/bin/mkextra" . "$CP") >"$d/mkextra.log" 2>&1
fill "$d" 15 800 --zap artikel.dbf
check "$d" DBFCDX artikel.dbf

echo "details: $work/*/*.check, fill logs: $work/*/fill.log"
exit $status
