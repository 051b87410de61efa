#!/usr/bin/env python3
"""Fills a collection of real DBF tables (written by other programs) with fuellwerk-fill and
checks the result with two independent readers.

    tools/check-real-tables.py [--fill build/bin/fuellwerk-fill] [-n 50] [--seed 4711]
                               [--markdown] TABLE.dbf|FOLDER ...

Each table is copied with its companions (memo file, code-page file: same stem, any letter
case) into a scratch folder; the originals are never touched. For each table:
  - which readers open it: GDAL's ogrinfo, and dbfread (a pure Python reader, Debian's
    python3-dbfread), each reading every record;
  - a plain fill and a fill with --suggest, N records each, with a fixed seed: the exit status
    and the message; after a fill each reader that opened the table must read old + N records
    without an error, and every old record (and every old memo block) must be byte for byte
    as before; after a refusal the table and its memo must be byte for byte as before;
  - the round trip: --write-rules (with and without --suggest) on a fresh copy, then a fill
    with --rules of that file on another fresh copy, with the same seed: the bytes must equal
    the fill without --rules.
It prints one row per table (file, readers, result, reason) and the counts at the end. The
exit status is 1 when a fault was found: a table two readers open that was refused or filled
wrongly, a refused table that changed, a round trip that differs, a crash.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

COMPANIONS = ('.dbf', '.dbt', '.fpt', '.cpg', '.smt')


def find_tables(paths):
    tables = []
    for path in paths:
        if os.path.isdir(path):
            for root, dirs, files in os.walk(path):
                dirs.sort()
                tables += [os.path.join(root, f) for f in sorted(files)
                           if f.lower().endswith('.dbf')]
        elif os.path.isfile(path):
            tables.append(path)
        else:
            print('%s: nicht gefunden' % path, file=sys.stderr)
    return tables


def copy_table(table, folder):
    """Copies the table and its companions into folder; returns the copy's path."""
    os.makedirs(folder, exist_ok=True)
    src_dir = os.path.dirname(os.path.abspath(table))
    stem = os.path.splitext(os.path.basename(table))[0].lower()
    for name in os.listdir(src_dir):
        base, ext = os.path.splitext(name)
        if base.lower() == stem and ext.lower() in COMPANIONS:
            shutil.copy2(os.path.join(src_dir, name), os.path.join(folder, name))
    return os.path.join(folder, os.path.basename(table))


def memo_of(table):
    folder = os.path.dirname(table)
    stem = os.path.splitext(os.path.basename(table))[0].lower()
    for name in sorted(os.listdir(folder)):
        base, ext = os.path.splitext(name)
        if base.lower() == stem and ext.lower() in ('.dbt', '.fpt', '.smt'):
            return os.path.join(folder, name)
    return None


def read(path):
    with open(path, 'rb') as f:
        return f.read()


def snapshot(table):
    memo = memo_of(table)
    return read(table), (read(memo) if memo else None)


# --- the readers -----------------------------------------------------------------------------

def ogr_count(table):
    """Records GDAL reads (every feature, not only the header's count), or an error text."""
    try:
        p = subprocess.run(['ogrinfo', '-ro', '-al', '-q', table], capture_output=True,
                           timeout=120, text=True, errors='replace')
    except (OSError, subprocess.TimeoutExpired) as e:
        return None, 'ogrinfo: %s' % e
    errors = [l for l in p.stderr.splitlines() if l.startswith('ERROR')]
    if p.returncode != 0 or errors:
        return None, 'ogrinfo: ' + ' / '.join(errors or p.stderr.splitlines()[-1:])
    return len(re.findall(r'^OGRFeature\(', p.stdout, re.M)), None


DBFREAD_SCRIPT = r'''
import sys
from dbfread import DBF
t = DBF(sys.argv[1], char_decode_errors='replace')
n = sum(1 for _ in t) + sum(1 for _ in t.deleted)
print(n)
'''


# The text of the records from `first` on, decoded as the table declares it (language driver,
# else a .cpg beside it, else Windows-1252); prints the values holding a character no German
# test data has: a sign that bytes of another code page were written.
DBFREAD_TEXT_SCRIPT = r'''
import codecs, glob, os, sys
from dbfread import DBF
from dbfread.codepages import guess_encoding
path, first = sys.argv[1], int(sys.argv[2])
ldid = open(path, 'rb').read(32)[29]
try:
    enc = guess_encoding(ldid) if ldid else None
except LookupError:
    enc = None
if enc is None:
    enc = 'cp1252'
    stem = os.path.splitext(path)[0]
    for cpg in glob.glob(glob.escape(stem) + '.[cC][pP][gG]'):
        name = open(cpg, 'rb').read(64).decode('ascii', 'replace').strip().upper()
        for prefix in ('ANSI', 'OEM', 'WINDOWS-', 'CP'):
            if name.startswith(prefix): name = name[len(prefix):].strip()
        name = name.replace(' ', '')
        if name.isdigit():
            name = 'iso8859-' + name[4:] if name.startswith('8859') else 'cp' + name
        try:
            enc = codecs.lookup(name).name
        except LookupError:
            enc = 'ascii'
allowed = set(chr(c) for c in range(0x20, 0x7F)) | set('ÄÖÜäöüßéèêáàâóòôúùûíìîçñÉÈÁÀÓÚÇÑ€„“”‚‘’–—…°§²³µ·×÷ø')
bad = []
for i, rec in enumerate(DBF(path, encoding=enc, char_decode_errors='replace', load=True).records):
    if i < first: continue
    for k, v in rec.items():
        if isinstance(v, str) and any(c not in allowed for c in v):
            bad.append('%s=%r' % (k, v))
print(enc, len(bad), ' '.join(bad[:3]))
'''


def dbfread_text(python, table, first):
    if not python:
        return ''
    p = subprocess.run([python, '-c', DBFREAD_TEXT_SCRIPT, table, str(first)], capture_output=True,
                       text=True, errors='replace', timeout=120)
    if p.returncode != 0:
        return ''
    enc, count, sample = (p.stdout.strip().split(' ', 2) + ['', ''])[:3]
    if count != '0':
        return 'neue Texte passen nicht zur Codepage %s: %s' % (enc, sample)
    return ''


def libreoffice_opens(table, scratch):
    """Whether LibreOffice (headless, its dBase filter) converts the table; None without it.
    It is slow, so it is asked only about tables the fill did not take."""
    if shutil.which('soffice') is None:
        return None
    out = os.path.join(scratch, 'libreoffice')
    copy = copy_table(table, os.path.join(out, 'in'))
    env = dict(os.environ, HOME=os.path.join(out, 'home'))
    try:
        subprocess.run(['soffice', '--headless', '--convert-to', 'csv', '--outdir', out, copy],
                       capture_output=True, timeout=180, env=env)
    except (OSError, subprocess.TimeoutExpired):
        return False
    return os.path.exists(os.path.join(out, os.path.splitext(os.path.basename(copy))[0] + '.csv'))


def dbfread_python():
    for exe in (sys.executable, '/usr/bin/python3'):
        if exe and subprocess.run([exe, '-c', 'import dbfread'], capture_output=True).returncode == 0:
            return exe
    return None


def dbfread_count(python, table):
    if not python:
        return None, 'dbfread: nicht installiert'
    p = subprocess.run([python, '-c', DBFREAD_SCRIPT, table], capture_output=True, text=True,
                       errors='replace', timeout=120)
    if p.returncode != 0:
        last = (p.stderr.strip().splitlines() or ['?'])[-1]
        return None, 'dbfread: ' + last[:160]
    return int(p.stdout.strip()), None


# --- the checks ------------------------------------------------------------------------------

def header_info(data):
    version = data[0]
    count = int.from_bytes(data[4:8], 'little')
    hlen = int.from_bytes(data[8:10], 'little')
    rlen = int.from_bytes(data[10:12], 'little')
    return version, count, hlen, rlen


def memo_block_size(memo_path, data, version):
    if memo_path.lower().endswith('.fpt'):
        return max(int.from_bytes(data[6:8], 'big'), 1)
    if memo_path.lower().endswith('.smt'):
        return max(int.from_bytes(data[4:6], 'little'), 1)
    if version in (0x8B, 0x8E, 0x7B, 0x04, 0x8C) or (len(data) >= 22 and data[16] == 0x03):
        size = int.from_bytes(data[20:22], 'little')
        return size if size else 512
    return 512


def old_bytes_kept(before, after, table):
    """'' when every old record and old memo block is unchanged, else what differs."""
    (dbf0, memo0), (dbf1, memo1) = before, after
    version, count, hlen, rlen = header_info(dbf0)
    end = hlen + count * rlen
    problems = []
    if dbf1[:1] != dbf0[:1] or dbf1[8:12] != dbf0[8:12]:
        problems.append('Kopf geändert (Version, Kopf- oder Satzlänge)')
    if dbf1[hlen:end] != dbf0[hlen:end]:
        first = next(i for i in range(hlen, end) if dbf1[i:i + 1] != dbf0[i:i + 1])
        problems.append('alter Satz %d geändert' % ((first - hlen) // rlen + 1))
    # Field descriptors: everything but a Visual FoxPro autoincrement counter stays.
    if version in (0x30, 0x31, 0x32):
        for off in range(32, min(hlen, len(dbf0)) - 31, 32):
            if dbf0[off] == 0x0D:
                break
            a, b = bytearray(dbf0[off:off + 32]), bytearray(dbf1[off:off + 32])
            a[19:23] = b[19:23] = b'\0\0\0\0'
            if a != b:
                problems.append('Felddefinition bei %d geändert' % off)
    elif dbf1[32:hlen] != dbf0[32:hlen]:
        problems.append('Felddefinitionen geändert')
    if memo0 is not None:
        if memo1 is None:
            problems.append('Memodatei fehlt')
        else:
            memo_path = memo_of(table)
            bs = memo_block_size(memo_path, memo0, version)
            if memo_path.lower().endswith('.fpt'):
                next_free = int.from_bytes(memo0[0:4], 'big')
            else:
                next_free = int.from_bytes(memo0[0:4], 'little')
            used = min(len(memo0), next_free * bs) if next_free else len(memo0)
            if memo1[8:used] != memo0[8:used]:
                problems.append('alte Memoblöcke geändert')
    return '; '.join(problems)


class Filler:
    def __init__(self, exe, records, seed):
        self.exe, self.records, self.seed = exe, str(records), str(seed)

    def run(self, *args):
        try:
            p = subprocess.run([self.exe] + list(args), capture_output=True, text=True,
                               errors='replace', timeout=600, env=dict(os.environ, LC_ALL='C.UTF-8'))
        except subprocess.TimeoutExpired:
            return -999, 'Zeitüberschreitung'
        return p.returncode, (p.stderr.strip() or p.stdout.strip())

    def fill(self, table, *extra):
        return self.run('-q', '-n', self.records, '--seed', self.seed, *extra, table)


def message_line(text):
    lines = [l for l in text.splitlines() if l.strip() and not l.startswith('(')]
    return ' / '.join(lines)[:300]


def check_table(table, scratch, filler, py, records):
    row = {'file': table, 'readers': [], 'result': '', 'reason': '', 'roundtrip': None,
           'fault': False}
    base = copy_table(table, os.path.join(scratch, 'orig'))
    readers = {}
    n, err = ogr_count(base)
    readers['ogrinfo'] = (n, err)
    n, err = dbfread_count(py, base)
    readers['dbfread'] = (n, err)
    row['readers'] = [r for r, (n, e) in readers.items() if n is not None]
    notes = [e for r, (n, e) in readers.items() if n is None]
    two = len(row['readers']) >= 2

    def fresh(name):
        return copy_table(table, os.path.join(scratch, name))

    results = {}
    for mode, extra in (('plain', ()), ('suggest', ('--suggest',))):
        copy = fresh(mode)
        before = snapshot(copy)
        rc, msg = filler.fill(copy, *extra)
        after = snapshot(copy)
        problems = []
        if rc == 0:
            kept = old_bytes_kept(before, after, copy)
            if kept:
                problems.append(kept)
            for reader, (n0, _) in readers.items():
                if n0 is None:
                    continue
                n1, e1 = ogr_count(copy) if reader == 'ogrinfo' else dbfread_count(py, copy)
                if n1 is None:
                    problems.append('nach dem Füllen: ' + e1)
                elif n1 != n0 + records:
                    problems.append('%s liest %d statt %d Sätze' % (reader, n1, n0 + records))
            if readers['dbfread'][0] is not None:
                text = dbfread_text(py, copy, header_info(before[0])[1])
                if text:
                    problems.append(text)
        elif rc == 1:
            if after != before:
                problems.append('abgelehnte Tabelle verändert')
        else:
            problems.append('Exit-Status %d' % rc)
        results[mode] = (rc, message_line(msg), problems, read(copy) if rc == 0 else None,
                         after[1] if rc == 0 else None)

    # Round trip: the written rules, read back, give the same bytes as no rules at all.
    trips = []
    for mode, extra in (('plain', ()), ('suggest', ('--suggest',))):
        rc0, _, _, dbf0, memo0 = results[mode]
        if rc0 != 0:
            continue
        copy = fresh('rules-' + mode)
        rules = os.path.join(scratch, 'rules-%s.ini' % mode)
        before = snapshot(copy)
        rc, msg = filler.run(*extra, '--write-rules', rules, copy)
        if rc != 0:
            trips.append('%s: --write-rules Status %d: %s' % (mode, rc, message_line(msg)))
            continue
        if snapshot(copy) != before:
            trips.append('%s: --write-rules hat die Tabelle verändert' % mode)
        copy = fresh('trip-' + mode)
        rc, msg = filler.fill(copy, *extra, '--rules', rules)
        if rc != 0:
            trips.append('%s: --rules Status %d: %s' % (mode, rc, message_line(msg)))
        elif read(copy) != dbf0 or snapshot(copy)[1] != memo0:
            trips.append('%s: mit --rules andere Bytes als ohne' % mode)
    row['roundtrip'] = None if not any(r[0] == 0 for r in results.values()) else not trips

    problems = results['plain'][2] + results['suggest'][2] + trips
    codes = {results['plain'][0], results['suggest'][0]}
    if codes != {0} and libreoffice_opens(table, scratch):
        row['readers'].append('libreoffice')
        two = len(row['readers']) >= 2
    if codes == {0}:
        row['result'] = 'gefüllt'
    elif 1 in codes and 0 not in codes:
        row['result'] = 'abgelehnt'
        row['reason'] = results['plain'][1] or results['suggest'][1]
        if two:
            problems.append('von %s gelesen, aber abgelehnt' % ' und '.join(row['readers']))
    else:
        row['result'] = 'teils'
        for mode in ('plain', 'suggest'):
            if results[mode][0] != 0:
                problems.append('%s: Status %d: %s' % (mode, results[mode][0], results[mode][1]))
    if problems:
        row['fault'] = True
        row['result'] = 'FEHLER (' + row['result'] + ')'
        row['reason'] = '; '.join(problems + ([row['reason']] if row['reason'] else []))
    elif not row['reason'] and notes:
        row['reason'] = '; '.join(notes)
    row['two'] = two
    return row


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument('tables', nargs='+')
    ap.add_argument('--fill', default=os.path.join(here, '..', 'build', 'bin', 'fuellwerk-fill'))
    ap.add_argument('-n', '--records', type=int, default=50)
    ap.add_argument('--seed', type=int, default=4711)
    ap.add_argument('--markdown', action='store_true', help='the rows as a Markdown table')
    args = ap.parse_args()
    if shutil.which('ogrinfo') is None:
        sys.exit('ogrinfo (gdal-bin) fehlt.')
    py = dbfread_python()
    filler = Filler(os.path.abspath(args.fill), args.records, args.seed)
    rows = []
    for table in find_tables(args.tables):
        with tempfile.TemporaryDirectory(prefix='fw-real-') as scratch:
            try:
                row = check_table(table, scratch, filler, py, args.records)
            except Exception as e:  # a fault of this script must not hide the other tables
                row = {'file': table, 'readers': [], 'result': 'FEHLER (Skript)',
                       'reason': repr(e), 'roundtrip': None, 'fault': True, 'two': False}
        rows.append(row)
        cells = (row['file'], ','.join(row['readers']) or '-', row['result'], row['reason'])
        if args.markdown:
            print('| %s |' % ' | '.join(c.replace('|', '/') for c in cells))
        else:
            print('\t'.join(cells), flush=True)
    two = [r for r in rows if r['two']]
    print()
    print('Tabellen: %d; von zwei Lesern geöffnet: %d' % (len(rows), len(two)))
    print('gefüllt: %d (davon von zwei Lesern geöffnet: %d)' % (
        sum(r['result'] == 'gefüllt' for r in rows), sum(r['result'] == 'gefüllt' for r in two)))
    refused = [r for r in rows if 'abgelehnt' in r['result']]
    print('abgelehnt: %d (davon von zwei Lesern geöffnet: %d)' % (
        len(refused), sum(r['two'] for r in refused)))
    print('Rundreise der Regeln in Ordnung: %d von %d' % (
        sum(r['roundtrip'] is True for r in rows), sum(r['roundtrip'] is not None for r in rows)))
    faults = [r for r in rows if r['fault']]
    print('Fehler: %d' % len(faults))
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
