#!/bin/sh
# A dBase IV production MDX written by TDbf, one record appended by fuellwerk-fill: afterwards
# TDbf walks every tag in the order of its own regenerated index, but its seek of a number
# (SearchKey with the field's value) no longer finds many records of the tag GEHALT, N(18,8),
# old records among them. fuellwerk-fill writes the key digits as the field's decimal text
# has them; TDbf keys the double's 16-digit expansion and its seek compares those bytes.
#   repro.sh WORKDIR     (FW: fuellwerk-fill; FIXTURES: the shared TDbf fixtures)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=${1:-/tmp/fw-repro-mdx-number}
FW=${FW:-$here/../../../build/bin/fuellwerk-fill}
FIXTURES=${FIXTURES:-$here/../../../../shared/fixtures/indexes/tdbf}
rm -rf "$work" && mkdir -p "$work/t"
fpc -O2 -FE"$work" "$here/../tdbfcheck.pas" >/dev/null
cp "$FIXTURES"/personal.* "$work/t/" && chmod u+w "$work"/t/*
echo "before the fill:"; "$work/tdbfcheck" "$work/t" personal.dbf "$work/ref0" || true
(cd "$work/t" && "$FW" -q -n 1 --seed 31 --rules "$here/personal.rules.ini" personal.dbf)
echo "after the fill:"; "$work/tdbfcheck" "$work/t" personal.dbf "$work/ref1"
