#!/usr/bin/env python3
"""Tries the suggested rules as a new user would and checks the filled tables with readers that
are not ours.

    tools/check-plausible.py [--fill build/bin/fuellwerk-fill] [--data build/bin/ProgrammDaten]
                             [-n 500] [--seed 4711] [--check-only] [TABLE.dbf ...]

Without tables it makes two tables of its own in a scratch folder, as a customer and an order
table look in xBase applications (KUNDEN.DBF, dBase III with .dbt memos, German field names;
ORDERS.DBF, FoxPro with .fpt memos, English and abbreviated names), copies the sample table
beside them, and fills each with `fuellwerk-fill --suggest -n N --seed S`. With --check-only
the tables named are checked as they are (e.g. after a fill in the window).

The tables are read by GDAL's ogrinfo (every field but memos) and by dbfread (memos; Debian's
python3-dbfread, skipped when missing). What a field holds is judged by its name, the script's
own list: first names and surnames from the delivered lists, a salutation that agrees with the
first name, a street with a house number, a five-digit postcode that forms a real pair with
the town (a town cut by its field counts apart), a state and a country from their lists, the
state of large towns, phone numbers with the town's area code or a mobile prefix, e-mail
addresses from the names at reserved example domains, IBANs with valid check digits, birth
dates of adults, other dates of the last five years, amounts and counts in their ranges, keys
without duplicates, memos of 5 to 30 words. It prints the problems per table with examples;
exit status 1 when any was found.
"""
import argparse
import collections
import datetime
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

try:
    import dbfread
except ImportError:
    dbfread = None

KUNDEN = [('KDNR', 'N', 6, 0), ('ANREDE', 'C', 10, 0), ('VORNAME', 'C', 20, 0),
          ('NAME', 'C', 25, 0), ('STRASSE', 'C', 30, 0), ('PLZ', 'N', 5, 0), ('ORT', 'C', 25, 0),
          ('BUNDESLAND', 'C', 25, 0), ('TELEFON', 'C', 20, 0), ('EMAIL', 'C', 40, 0),
          ('IBAN', 'C', 22, 0), ('GEBDATUM', 'D', 8, 0), ('AKTIV', 'L', 1, 0),
          ('UMSATZ', 'N', 12, 2), ('BEMERKUNG', 'M', 10, 0)]
ORDERS = [('ID', 'N', 8, 0), ('ORDERNO', 'C', 10, 0), ('FIRSTNAME', 'C', 15, 0),
          ('LASTNAME', 'C', 20, 0), ('COMPANY', 'C', 40, 0), ('STREET', 'C', 30, 0),
          ('ZIP', 'C', 5, 0), ('CITY', 'C', 25, 0), ('COUNTRY', 'C', 20, 0),
          ('PHONE', 'C', 20, 0), ('FAX', 'C', 20, 0), ('MAIL', 'C', 40, 0), ('ARTNR', 'C', 8, 0),
          ('PRICE', 'N', 9, 2), ('QTY', 'N', 4, 0), ('DISCOUNT', 'N', 5, 2), ('DATUM', 'D', 8, 0),
          ('LIEFDAT', 'D', 8, 0), ('PAID', 'L', 1, 0), ('NOTIZ', 'M', 10, 0)]

# What a field holds, by its name.
ROLES = {'ANREDE': 'salutation', 'VORNAME': 'first', 'FIRSTNAME': 'first', 'NACHNAME': 'last',
         'LASTNAME': 'last', 'NAME': 'last', 'STRASSE': 'street', 'STREET': 'street',
         'PLZ': 'postcode', 'ZIP': 'postcode', 'ORT': 'town', 'CITY': 'town',
         'BUNDESLAND': 'state', 'COUNTRY': 'country', 'LAND': 'country', 'TELEFON': 'phone',
         'PHONE': 'phone', 'FAX': 'fax', 'EMAIL': 'mail', 'MAIL': 'mail', 'IBAN': 'iban',
         'GEBDATUM': 'birth', 'COMPANY': 'company', 'FIRMA': 'company', 'DATUM': 'recent',
         'LIEFDAT': 'later'}
KEYS = {'KDNR', 'KUNDENNR', 'ID', 'ORDERNO', 'ARTNR'}
RANGES = {'UMSATZ': (-100000, 100000), 'KUNDENNR': (1, 99999999), 'KDNR': (1, 999999),
          'ID': (1, 99999999), 'PRICE': (1, 1000), 'QTY': (1, 100), 'DISCOUNT': (0, 30)}
LOGICALS = {'AKTIV', 'PAID'}
DOMAINS = r'(example\.(com|org|net)|(mail|post|firma|web)\.example)'
# The state of some large towns, to see whether a state field agrees with the record's place.
CITY_STATE = {'Berlin': 'Berlin', 'Hamburg': 'Hamburg', 'München': 'Bayern',
              'Köln': 'Nordrhein-Westfalen', 'Frankfurt am Main': 'Hessen',
              'Stuttgart': 'Baden-Württemberg', 'Düsseldorf': 'Nordrhein-Westfalen',
              'Leipzig': 'Sachsen', 'Dresden': 'Sachsen', 'Dortmund': 'Nordrhein-Westfalen',
              'Essen': 'Nordrhein-Westfalen', 'Bremen': 'Bremen', 'Hannover': 'Niedersachsen',
              'Nürnberg': 'Bayern'}


def write_table(path, fields, foxpro):
    """An empty table from the public layout: 32-byte header, 32-byte field descriptors, 0Dh
    (FoxPro: 263 bytes of backlink after it), 1Ah; the memo file with its header block."""
    memo = any(t == 'M' for _, t, _, _ in fields)
    version = (0xF5 if foxpro else 0x83) if memo else 0x03
    today = datetime.date.today()
    header = 32 + 32 * len(fields) + 1 + (263 if foxpro else 0)
    record = 1 + sum(length for _, _, length, _ in fields)
    data = struct.pack('<BBBBIHH17xB2x', version, today.year - 1900, today.month, today.day, 0,
                       header, record, 0x03 if foxpro else 0x57)  # code page Windows-1252
    for name, typ, length, dec in fields:
        data += struct.pack('<11sc4xBB14x', name.encode('ascii'), typ.encode(), length, dec)
    data += b'\r' + (b'\0' * 263 if foxpro else b'') + b'\x1a'
    with open(path, 'wb') as f:
        f.write(data)
    if memo:
        stem = os.path.splitext(path)[0]
        if foxpro:
            block = struct.pack('>I2xH', 8, 64) + b'\0' * 504  # next block 8, blocks of 64
            name = stem + '.FPT'
        else:
            block = struct.pack('<I', 1) + b'\0' * 508
            name = stem + '.DBT'
        with open(name, 'wb') as f:
            f.write(block)


def words(data, name):
    with open(os.path.join(data, name + '.txt'), 'rb') as f:
        return [w.strip() for w in f.read().decode('cp1252').split(',') if w.strip()]


def read_ogr(path):
    out = subprocess.run(['ogrinfo', '--config', 'SHAPE_ENCODING', 'CP1252', '-al', '-q', path],
                         capture_output=True, text=True, check=True).stdout
    records, current = [], None
    for line in out.splitlines():
        if line.startswith('OGRFeature('):
            current = {}
            records.append(current)
            continue
        m = re.match(r'  (\w+) \((\w+)\) = (.*)$', line)
        if m and current is not None:
            current[m.group(1)] = '' if m.group(3) == '(null)' else m.group(3)
    return records


def read_structure(path):
    with open(path, 'rb') as f:
        head = f.read(32)
        header = struct.unpack('<H', head[8:10])[0]
        body = f.read(header - 32)
    fields = []
    for i in range(0, len(body), 32):
        if body[i] == 0x0D:
            break
        fields.append((body[i:i + 11].split(b'\0')[0].decode('ascii'), chr(body[i + 11]),
                       body[i + 16]))
    return fields


def mail_name(s):
    for a, b in (('ä', 'ae'), ('ö', 'oe'), ('ü', 'ue'), ('ß', 'ss'), ('Ä', 'ae'), ('Ö', 'oe'),
                 ('Ü', 'ue')):
        s = s.replace(a, b)
    return re.sub(r'[^a-z]', '', s.lower())


def iban_ok(iban):
    if not re.fullmatch(r'DE\d{20}', iban):
        return False
    return int(''.join(str(int(c, 36)) for c in iban[4:] + iban[:4])) % 97 == 1


class Lists:
    def __init__(self, data):
        self.male = set(words(data, 'VornamenMaennlich'))
        self.female = set(words(data, 'VornamenWeiblich'))
        self.surnames = set(words(data, 'Namen'))
        self.pairs = collections.defaultdict(set)
        for entry in words(data, 'PLZOrte'):
            plz, town = entry.split(' ', 1)
            self.pairs[plz].add(town)
        self.areas = [tuple(e.split(' ', 2)) for e in words(data, 'Vorwahlen')]
        self.states = set(words(data, 'Bundeslaender'))
        self.countries = set(words(data, 'Laender'))
        self.forms = words(data, 'Rechtsformen')


def cut_of(value, full_values, width):
    """True when `value` is a longer entry cut to the field's width."""
    return any(len(v) > width and v.startswith(value) for v in full_values)


def check(path, lists):
    structure = read_structure(path)
    widths = {name: length for name, _, length in structure}
    names = [name for name, _, _ in structure]
    memo_fields = [name for name, typ, _ in structure if typ == 'M']
    records = read_ogr(path)
    memos = [{} for _ in records]
    if memo_fields and dbfread:
        table = dbfread.DBF(path, encoding='cp1252', char_decode_errors='strict')
        memos = [{n: (r[n] or '') for n in memo_fields} for r in table]
    roles = {ROLES[n]: n for n in names if n in ROLES and n not in ('DATUM', 'LIEFDAT')}
    problems = collections.Counter()
    examples = collections.defaultdict(list)
    notes = collections.Counter()

    def bad(kind, i, why):
        problems[kind] += 1
        if len(examples[kind]) < 3:
            examples[kind].append(f'#{i + 1} "{why}"')

    keys = collections.defaultdict(list)
    today = datetime.date.today()
    for i, (rec, memo) in enumerate(zip(records, memos)):
        get = lambda role: rec.get(roles[role], '') if role in roles else None
        for n in names:
            if n not in memo_fields and rec.get(n, '') == '':
                notes[f'{n} blank'] += 1
        first, last = get('first'), get('last')
        if first is not None and first not in lists.male | lists.female:
            bad('first name not in the lists', i, first)
        if last is not None and last not in lists.surnames:
            bad('surname not in the list', i, last)
        if get('salutation') is not None and first:
            want = 'Herr' if first in lists.male else 'Frau'
            if get('salutation') != want:
                bad('salutation does not agree with the first name', i, f'{get("salutation")} {first}')
        if get('street') is not None and not re.fullmatch(r'\D+ \d{1,3}[a-c]?', get('street')):
            bad('street without house number', i, get('street'))
        plz, town = get('postcode'), get('town')
        if plz and plz.isdigit():
            plz = plz.zfill(5)  # a numeric field holds 1067 for 01067
        if plz is not None and not re.fullmatch(r'\d{5}', plz):
            bad('postcode not five digits', i, plz)
        if plz is not None and town is not None:
            full = lists.pairs.get(plz, set())
            if town in full:
                pass
            elif cut_of(town, full, widths[roles['town']]):
                bad('town cut by its field', i, town)
            else:
                bad('postcode and town do not agree', i, f'{plz} {town}')
        if get('state') is not None:
            state = get('state')
            if state not in lists.states:
                bad('state not in the list', i, state)
            if town in CITY_STATE:
                notes['large towns with a state'] += 1
                if CITY_STATE[town] != state:
                    bad('state does not agree with a large town', i, f'{town}: {state}')
        if get('country') is not None:
            country = get('country')
            if country not in lists.countries:
                if cut_of(country, lists.countries, widths[roles['country']]):
                    bad('country cut by its field', i, country)
                else:
                    bad('country not in the list', i, country)
            if plz is not None and country != 'Deutschland':
                bad('country other than Deutschland beside a German postcode', i, country)
        for role in ('phone', 'fax'):
            number = get(role)
            if number is None or (role == 'fax' and number == ''):
                continue
            m = re.fullmatch(r'(0\d{2,5}) (\d{3,9})', number)
            if not m:
                bad(f'{role} not "area number"', i, number)
                continue
            known = [c for p, c, t in lists.areas if t == town and plz and plz.startswith(p)]
            if known and m.group(1) != known[0]:
                bad(f'{role} area code not the town\'s', i, f'{number} {town}')
            elif not known:
                if not m.group(1).startswith(('015', '016', '017')):
                    bad(f'{role} fixed-line code for a town without known code', i, number)
                notes[f'{role} mobile'] += 1
            else:
                notes[f'{role} with the town\'s area code'] += 1
        if get('mail') is not None:
            mail = get('mail')
            m = re.fullmatch(r'([a-z0-9][a-z0-9._-]*)@' + DOMAINS, mail)
            if not m:
                bad('e-mail not an address at a reserved example domain', i, mail)
            elif first and last and mail_name(last) not in m.group(1).replace('.', '').replace('_', ''):
                bad('e-mail not from the names', i, f'{mail} {first} {last}')
        if get('iban') is not None and not iban_ok(get('iban')):
            bad('IBAN check digits wrong', i, get('iban'))
        if get('birth') is not None:
            d = get('birth')
            if not d:
                bad('birth date blank', i, '')
            else:
                y, mo, da = map(int, d.split('/'))
                age = today.year - y - ((today.month, today.day) < (mo, da))
                if not 18 <= age <= 90:
                    bad('birth date not of an adult (18 to 90)', i, d)
        if get('company') is not None and not any(get('company').endswith(f) for f in lists.forms):
            bad('company without legal form', i, get('company'))
        for n in names:
            if ROLES.get(n) == 'recent':
                d = rec.get(n, '')
                if not d or not (today - datetime.timedelta(days=5 * 366)
                                 <= datetime.date(*map(int, d.split('/'))) <= today):
                    bad(f'{n} not within the last five years', i, d)
            if ROLES.get(n) == 'later' and 'DATUM' in names:
                # a delivery date: 0 to 30 days after the order date of its record
                d, base = rec.get(n, ''), rec.get('DATUM', '')
                if not d or not base or not 0 <= (datetime.date(*map(int, d.split('/'))) -
                                                  datetime.date(*map(int, base.split('/')))).days <= 30:
                    bad(f'{n} not 0 to 30 days after DATUM', i, f'{base} {d}')
            if n in RANGES:
                lo, hi = RANGES[n]
                v = rec.get(n, '')
                if v == '' or not lo <= float(v) <= hi:
                    bad(f'{n} outside {lo}..{hi}', i, v)
            if n in LOGICALS and rec.get(n) == 'T':
                notes[f'{n} true'] += 1
            if n in KEYS:
                keys[n].append(rec.get(n, ''))
        for n, text in memo.items():
            count = len(text.split())
            if not 5 <= count <= 30:
                bad('memo not of 5 to 30 words', i, f'{n}: {count}')
    for n, values in keys.items():
        twice = len(values) - len(set(values))
        if twice:
            problems[f'{n} values twice'] += twice
    return len(records), len(names), problems, examples, notes


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    build = os.path.join(here, '..', 'build', 'bin')
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--fill', default=os.path.join(build, 'fuellwerk-fill'))
    parser.add_argument('--data', default=os.path.join(build, 'ProgrammDaten'))
    parser.add_argument('-n', type=int, default=500)
    parser.add_argument('--seed', default='4711')
    parser.add_argument('--check-only', action='store_true')
    parser.add_argument('tables', nargs='*')
    args = parser.parse_args()
    lists = Lists(args.data)
    scratch = tempfile.mkdtemp(prefix='fw-plausible-')
    try:
        tables = args.tables
        if not tables:
            write_table(os.path.join(scratch, 'KUNDEN.DBF'), KUNDEN, False)
            write_table(os.path.join(scratch, 'ORDERS.DBF'), ORDERS, True)
            sample = os.path.join(build, 'TestDaten')
            for name in ('Kunden.dbf', 'Kunden.dbt'):
                shutil.copy(os.path.join(sample, name), os.path.join(scratch, 'SAMPLE' + name[-4:]))
            tables = [os.path.join(scratch, n) for n in ('SAMPLE.dbf', 'KUNDEN.DBF', 'ORDERS.DBF')]
        found = 0
        for table in tables:
            if not args.check_only:
                subprocess.run([args.fill, '-q', '--suggest', '--zap', '-n', str(args.n),
                                '--seed', args.seed, table], check=True, stdout=subprocess.DEVNULL)
            count, fields, problems, examples, notes = check(table, lists)
            print(f'{os.path.basename(table)}: {count} records, {fields} fields, '
                  f'{sum(problems.values())} problems')
            for kind, n in problems.most_common():
                print(f'  {n:6}  {kind}: ' + ', '.join(examples[kind]))
            if notes:
                print('  noted: ' + ', '.join(f'{k} {v}' for k, v in sorted(notes.items())))
            if memo_skipped(table):
                print('  memos not checked: python3-dbfread is missing')
            found += sum(problems.values())
        return 1 if found else 0
    finally:
        shutil.rmtree(scratch)


def memo_skipped(table):
    return dbfread is None and any(t == 'M' for _, t, _ in read_structure(table))


if __name__ == '__main__':
    sys.exit(main())
