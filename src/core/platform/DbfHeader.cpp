#include "core/platform/DbfHeader.h"

#include <algorithm>
#include <cstring>

#include "core/platform/DbfFailure.h"
#include "core/platform/ErrorCodes.h"

namespace fw {
namespace {

uint16_t Get16(const std::string& b, size_t at) {
  return uint16_t(uint8_t(b[at]) | (uint8_t(b[at + 1]) << 8));
}
uint32_t Get32(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | (uint32_t(uint8_t(b[at + 1])) << 8) |
         (uint32_t(uint8_t(b[at + 2])) << 16) | (uint32_t(uint8_t(b[at + 3])) << 24);
}
void Put16(std::string& b, size_t at, uint32_t v) {
  b[at] = char(v & 0xFF);
  b[at + 1] = char((v >> 8) & 0xFF);
}
void Put32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
}

bool IsNameStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}
bool IsNameChar(unsigned char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }

std::string Upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  return s;
}

// Checks one field against the format; returns an empty text when it is valid.
std::string CheckField(const FieldInfo& f) {
  const std::string quoted = "Das Feld \"" + f.Name + "\" ";
  if (f.Name.empty() || f.Name.size() > 10 || !IsNameStart(uint8_t(f.Name[0])) ||
      !std::all_of(f.Name.begin(), f.Name.end(), [](char c) { return IsNameChar(uint8_t(c)); })) {
    return "Ein Feld hat keinen gültigen Feldnamen.";
  }
  if (f.Length == 0) return quoted + "hat die Länge 0.";
  switch (f.Type) {
    case 'C':
      if (f.Length > 65534) return quoted + "ist zu lang.";
      break;
    case 'N':
    case 'F':
      if (f.Length > 20) return quoted + "ist als Zahl breiter als 20 Stellen.";
      if (f.Decimals > 0 && (f.Decimals > 15 || f.Decimals + 2 > f.Length)) {
        return quoted + "hat mehr Dezimalstellen, als seine Länge fasst.";
      }
      break;
    case 'D':
      if (f.Length != 8) return quoted + "ist ein Datum, aber nicht 8 Zeichen lang.";
      break;
    case 'L':
      if (f.Length != 1) return quoted + "ist ein logisches Feld, aber nicht 1 Zeichen lang.";
      break;
    case 'M':
      if (f.Length != 10) return quoted + "ist ein Memofeld, aber nicht 10 Zeichen lang.";
      break;
    default:
      if (f.Length > 255) return quoted + "ist zu lang.";
      break;
  }
  return {};
}

// Checks a field as read from a table another program may have written: what that program
// may write (names of any bytes, numbers up to 255 wide with decimals up to the width) passes;
// returns an empty text when the engine can read and write the field.
std::string CheckReadField(const FieldInfo& f) {
  // Built only for a refusal: the check runs for every field of every table opened.
  auto quoted = [&f] { return "Das Feld \"" + f.Name + "\" "; };
  if (f.Length == 0 && f.Type != 'C') return quoted() + "hat die Länge 0.";
  switch (f.Type) {
    case 'N':
    case 'F':
      if (f.Decimals > 0 && f.Decimals + 2 > f.Length) {
        return quoted() + "hat mehr Dezimalstellen, als seine Länge fasst.";
      }
      break;
    case 'D':
      if (f.Length != 8) return quoted() + "ist ein Datum, aber nicht 8 Zeichen lang.";
      break;
    case 'L':
      if (f.Length != 1) return quoted() + "ist ein logisches Feld, aber nicht 1 Zeichen lang.";
      break;
    case 'M':
      if (f.Length != 10 && f.Length != 4) {
        return quoted() + "ist ein Memofeld, aber weder 10 noch 4 Zeichen lang.";
      }
      break;
    default:
      break;
  }
  return {};
}

// dBase 7's binary fields have a size of their own.
std::string CheckDbase7Field(const FieldInfo& f) {
  auto quoted = [&f] { return "Das Feld \"" + f.Name + "\" "; };
  if ((f.Type == 'I' || f.Type == '+') && f.Length != 4)
    return quoted() + "ist eine Ganzzahl, aber nicht 4 Bytes lang.";
  if ((f.Type == 'O' || f.Type == '@') && f.Length != 8)
    return quoted() + "ist binär gespeichert, aber nicht 8 Bytes lang.";
  return {};
}

// Gives the fields of a Visual FoxPro table their bits in _NullFlags (the last field of type
// 0): a length bit for each V and Q field, a null bit for each field that may be null (NullBit
// 0 marks those while the descriptors are read), in field order. A bit beyond the field, or a
// table without it, leaves the field without that bit.
void AssignNullFlagBits(DbfHeader& h) {
  const DbfField* flags = nullptr;
  for (const DbfField& f : h.Fields)
    if (f.Info.Type == '0') flags = &f;
  const int available = flags ? int(std::min<uint32_t>(flags->Info.Length, 255)) * 8 : 0;
  if (flags) h.NullFlagsOffset = flags->Offset;
  int next = 0;
  for (DbfField& f : h.Fields) {
    if (&f == flags) {
      f.NullBit = -1;
      continue;
    }
    if (f.Info.Type == 'V' || f.Info.Type == 'Q') {
      f.VarLengthBit = next < available ? next : -1;
      ++next;
    }
    if (f.NullBit == 0) {
      f.NullBit = next < available ? next : -1;
      ++next;
    }
  }
}

}  // namespace

bool IsVisualFoxPro(uint8_t version) { return version >= 0x30 && version <= 0x32; }

bool DbfHeader::HasMemoFields() const {
  return std::any_of(Fields.begin(), Fields.end(),
                     [](const DbfField& f) { return f.Info.Type == 'M'; });
}

DbfHeader ReadDbfHeader(const File& file) {
  const std::string& name = file.Path();
  const uint64_t fileSize = file.Size();
  if (fileSize < 32) RaiseDbf(gen::kCorruption, "Die Datei ist zu kurz für eine DBF-Tabelle.", name);

  DbfHeader h;
  h.Bytes.resize(32);
  file.ReadExactly(0, h.Bytes.data(), 32);
  h.Version = uint8_t(h.Bytes[0]);
  if (!IsKnownDbfVersion(h.Version)) {
    RaiseDbf(gen::kCorruption, "Die Datei ist keine DBF-Tabelle eines bekannten Formats.", name);
  }
  h.RecCount = Get32(h.Bytes, 4);
  h.HeaderLength = Get16(h.Bytes, 8);
  h.RecordLength = Get16(h.Bytes, 10);
  h.ProductionIndex = uint8_t(h.Bytes[28]);
  h.LanguageDriver = uint8_t(h.Bytes[29]);

  const bool dbase7 = IsDbase7(h.Version);
  const size_t firstDescriptor = dbase7 ? 68 : 32;
  const size_t descriptorSize = dbase7 ? 48 : 32;
  const size_t nameSize = dbase7 ? 32 : 11;
  const size_t typeAt = dbase7 ? 32 : 11, lengthAt = dbase7 ? 33 : 16;
  // A table may have no fields at all (GIS tools write such attribute tables): its header is
  // the fixed part and the terminator, its records only the deletion flag.
  if (h.HeaderLength < firstDescriptor + 1) {
    RaiseDbf(gen::kCorruption, "Der Tabellenkopf ist zu kurz für eine DBF-Tabelle.", name);
  }
  if (h.HeaderLength > fileSize) {
    RaiseDbf(gen::kCorruption, "Die Datei ist kürzer als ihr Tabellenkopf (abgeschnitten).", name);
  }
  h.Bytes.resize(h.HeaderLength);
  file.ReadExactly(0, h.Bytes.data(), h.HeaderLength);

  // dBase IV marks an encrypted table in byte 15; its records cannot be read or written.
  if (h.Bytes[15] != 0) {
    RaiseDbf(gen::kUnsupported,
             "Die Tabelle ist verschlüsselt (dBase IV, Byte 15 des Kopfes). Verschlüsselte "
             "Tabellen können nicht gefüllt werden.",
             name);
  }

  if (dbase7) {
    size_t n = 0;
    while (n < 32 && h.Bytes[32 + n] != '\0') ++n;
    h.LanguageDriverName.assign(h.Bytes, 32, n);
  }

  size_t pos = firstDescriptor;
  bool terminated = false;
  // The record length once with every C field's decimals byte as the high byte of its length
  // (Clipper's long character fields) and once with the byte ignored (a stray byte some
  // exports write): the header's record length tells which reading the writer meant.
  uint64_t longSum = 1, plainSum = 1;
  bool lineFeed = false;
  while (pos < h.HeaderLength) {
    // Some writers end the field list with a line feed instead of 0Dh.
    if (uint8_t(h.Bytes[pos]) == 0x0D || uint8_t(h.Bytes[pos]) == 0x0A) {
      terminated = true;
      lineFeed = uint8_t(h.Bytes[pos]) == 0x0A;
      break;
    }
    if (pos + descriptorSize > h.HeaderLength) break;
    const char* d = h.Bytes.data() + pos;
    DbfField field;
    field.Descriptor = uint32_t(pos);
    size_t nameLength = 0;
    while (nameLength < nameSize && d[nameLength] != '\0') ++nameLength;
    // Other programs pad with blanks as well as NULs.
    while (nameLength > 0 && d[nameLength - 1] == ' ') --nameLength;
    field.Info.Name = Upper(std::string(d, nameLength));
    field.Info.Type = d[typeAt];
    field.Info.Length = uint8_t(d[lengthAt]);
    field.Info.Decimals = uint8_t(d[lengthAt + 1]);
    if (IsVisualFoxPro(h.Version) && (uint8_t(d[18]) & 0x02) != 0) field.NullBit = 0;
    if (IsVisualFoxPro(h.Version) && (uint8_t(d[18]) & 0x0C) == 0x0C) {
      if (field.Info.Type == 'I' && field.Info.Length == 4) field.AutoIncrement = true;
      else h.HasAutoIncrement = true;
    }
    if (dbase7 && field.Info.Type == '+') field.AutoIncrement = true;
    plainSum += field.Info.Length;
    if (field.Info.Type == 'C') longSum += field.Info.Length + field.Info.Decimals * 256;
    else longSum += field.Info.Length;
    std::string problem = nameLength == 0 ? "Ein Feld hat keinen Feldnamen." : CheckReadField(field.Info);
    if (problem.empty() && dbase7) problem = CheckDbase7Field(field.Info);
    if (!problem.empty()) RaiseDbf(gen::kCorruption, "Die Feldbeschreibung ist beschädigt: " + problem, name);
    h.Fields.push_back(std::move(field));
    pos += descriptorSize;
  }
  // A line feed counts only where the fields before it make up the whole record: elsewhere it
  // is a damaged descriptor, not the end of the list.
  if (!terminated || (lineFeed && plainSum != h.RecordLength && longSum != h.RecordLength)) {
    RaiseDbf(gen::kCorruption, "Der Tabellenkopf hat kein Endezeichen der Feldliste.", name);
  }
  // Without fields a record is the deletion flag alone; anything longer means a damaged list.
  if (h.Fields.empty() && h.RecordLength != 1)
    RaiseDbf(gen::kCorruption, "Die Tabelle hat keine Felder.", name);
  // The reading whose sum is the record length wins; a record may also hold unused bytes at
  // its end, so failing that, the first reading that fits.
  const bool clipper = longSum == h.RecordLength || (plainSum != h.RecordLength && longSum <= h.RecordLength);
  uint64_t offset = 1;
  for (DbfField& field : h.Fields) {
    if (field.Info.Type == 'C') {
      if (clipper) field.Info.Length += field.Info.Decimals * 256;
      field.Info.Decimals = 0;
    }
    // GIS exports (US Census tables among them) keep a character column without values as
    // C with length 0; the record length, the exact sum of the fields, confirms it.
    const bool emptyColumn = field.Info.Type == 'C' && (clipper ? longSum : plainSum) == h.RecordLength;
    if (field.Info.Length == 0 && !emptyColumn) {
      RaiseDbf(gen::kCorruption,
               "Die Feldbeschreibung ist beschädigt: Das Feld \"" + field.Info.Name +
                   "\" hat die Länge 0.",
               name);
    }
    field.Info.Layout = LayoutOfField(h.Version, field.Info);
    field.Offset = uint32_t(offset);
    offset += field.Info.Length;
  }
  if (offset > h.RecordLength) {
    RaiseDbf(gen::kCorruption, "Die Satzlänge im Kopf passt nicht zu den Feldern.", name);
  }
  if (IsVisualFoxPro(h.Version)) AssignNullFlagBits(h);
  if (uint64_t(h.HeaderLength) + uint64_t(h.RecCount) * h.RecordLength > fileSize) {
    RaiseDbf(gen::kCorruption,
             "Die Satzanzahl im Kopf passt nicht zur Dateigröße (Datei abgeschnitten).", name);
  }
  return h;
}

DbfHeader BuildDbfHeader(const std::vector<FieldInfo>& fields, uint8_t version,
                         uint8_t languageDriver, const std::string& fileName) {
  if (fields.empty()) RaiseDbf(gen::kCreate, "Eine Tabelle braucht mindestens ein Feld.", fileName);
  DbfHeader h;
  h.Version = version;
  h.LanguageDriver = languageDriver;
  uint64_t offset = 1;
  for (const FieldInfo& in : fields) {
    DbfField field;
    field.Info = in;
    field.Info.Name = Upper(in.Name);
    if (field.Info.Type == 'C' || field.Info.Type == 'D' || field.Info.Type == 'L' ||
        field.Info.Type == 'M') {
      field.Info.Decimals = 0;
    }
    std::string problem = CheckField(field.Info);
    if (!problem.empty()) RaiseDbf(gen::kCreate, problem, fileName);
    field.Info.Layout = LayoutOfField(version, field.Info);
    for (const DbfField& other : h.Fields) {
      if (other.Info.Name == field.Info.Name) {
        RaiseDbf(gen::kCreate, "Der Feldname \"" + field.Info.Name + "\" kommt doppelt vor.",
                 fileName);
      }
    }
    field.Offset = uint32_t(offset);
    field.Descriptor = uint32_t(32 + 32 * h.Fields.size());
    offset += field.Info.Length;
    h.Fields.push_back(std::move(field));
  }
  const uint64_t headerLength = 32 + 32 * uint64_t(fields.size()) + 1;
  if (offset > 65535 || headerLength > 65535) {
    RaiseDbf(gen::kCreate, "Die Tabelle hat zu viele oder zu lange Felder.", fileName);
  }
  h.HeaderLength = uint16_t(headerLength);
  h.RecordLength = uint16_t(offset);
  h.Bytes.assign(h.HeaderLength, '\0');
  h.Bytes[0] = char(version);
  Put16(h.Bytes, 8, h.HeaderLength);
  Put16(h.Bytes, 10, h.RecordLength);
  h.Bytes[29] = char(languageDriver);
  size_t pos = 32;
  for (const DbfField& f : h.Fields) {
    std::memcpy(h.Bytes.data() + pos, f.Info.Name.data(), f.Info.Name.size());
    h.Bytes[pos + 11] = f.Info.Type;
    if (f.Info.Type == 'C') {
      h.Bytes[pos + 16] = char(f.Info.Length & 0xFF);
      h.Bytes[pos + 17] = char((f.Info.Length >> 8) & 0xFF);
    } else {
      h.Bytes[pos + 16] = char(f.Info.Length);
      h.Bytes[pos + 17] = char(f.Info.Decimals);
    }
    pos += 32;
  }
  h.Bytes[pos] = 0x0D;
  StampDbfHeader(h.Bytes, 0);
  return h;
}

void StampDbfHeader(std::string& headerBytes, uint32_t recCount) {
  int year = 0, month = 0, day = 0;
  Date::Today().ToYmd(year, month, day);
  headerBytes[1] = char(std::clamp(year - 1900, 0, 255));
  headerBytes[2] = char(month);
  headerBytes[3] = char(day);
  Put32(headerBytes, 4, recCount);
}

}  // namespace fw
