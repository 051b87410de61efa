#pragma once
#include <cstdint>

namespace fw {

struct FieldInfo;

// How the engine reads and writes the bytes of one field. Decided once per field, when the
// table's header is read, from the table's version byte, the field's type letter and its
// length: a letter means different bytes in different formats (I is a little-endian integer
// in Visual FoxPro and in the tables Harbour writes, a big-endian one in dBase 7; B is a
// double in the one and a memo block number in dBase 5), so nothing else decides by the
// letter alone. The grids (KindOfField), the writer and the reader all go by this.
enum class FieldLayout : uint8_t {
  Unset,       // a structure built by hand, not read from a table: read as a dBase III table
  Text,        // C: text in the table's code page, blanks after
  VarText,     // V (Visual FoxPro varchar): text; a shorter one ends with its length in the
               // field's last byte, zero bytes before it, and its bit in _NullFlags set
  Number,      // N, F: the number as decimal text, right-aligned
  Logic,       // L: 'T' or 'F'
  Date,        // D: YYYYMMDD
  MemoText,    // M of 10 bytes: the memo's block number as decimal text
  MemoBinary,  // M of 4 bytes (Visual FoxPro): the block number, 32-bit little-endian
  Integer,     // I of 4 bytes: 32-bit two's complement, little-endian
  Double,      // B of 8 bytes: an IEEE 754 double, little-endian
  Currency,    // Y of 8 bytes: the value times 10,000, 64-bit little-endian
  DateTime,    // T of 8 bytes: Julian day and milliseconds since midnight, 32 bits each, LE
  Dbase7Integer,    // dBase 7's I and + of 4 bytes: big-endian with the sign bit turned over
  Dbase7Double,     // dBase 7's O of 8 bytes: a big-endian double, sortable as bytes
  Dbase7Timestamp,  // dBase 7's @ of 8 bytes: milliseconds since 1.1.4713 BC as a double
  KeptBlank,   // never written: blanks in a new record (memo block numbers of kinds the
               // program does not write, letters it does not know)
  KeptZero,    // never written: zero bytes in a new record (binary fields whose bytes the
               // program does not write: G, W, P, Q, _NullFlags, @, +, =, and binary
               // layouts of a length or format that is not certain)
};

// The layout of a field of a table with this version byte. Visual FoxPro (30h-32h) and the
// other little-endian formats (dBase III, FoxPro 2, and the tables Harbour and others write
// with binary fields in them) share I, B, Y and T; V and 4-byte memos are Visual FoxPro's
// alone. dBase 7 (04h, 8Ch) has big-endian numbers of its own in I, +, O and @.
FieldLayout LayoutOfField(uint8_t version, const FieldInfo& field);

// The field's layout as the engine decided it; a structure built by hand counts as a
// dBase III table's.
FieldLayout LayoutOf(const FieldInfo& field);

// Layouts whose new, empty value is zero bytes rather than blanks.
bool IsZeroBlank(FieldLayout layout);

}  // namespace fw
