#include "core/platform/FieldLayout.h"

#include "core/platform/DBServer.h"
#include "core/platform/DbfHeader.h"
#include "core/platform/DbfVersion.h"

namespace fw {

FieldLayout LayoutOfField(uint8_t version, const FieldInfo& field) {
  const bool fox = IsVisualFoxPro(version);
  const uint32_t length = field.Length;
  switch (field.Type) {
    case 'C': return FieldLayout::Text;
    case 'N':
    case 'F': return FieldLayout::Number;
    case 'L': return length == 1 ? FieldLayout::Logic : FieldLayout::KeptBlank;
    case 'D': return length == 8 ? FieldLayout::Date : FieldLayout::KeptBlank;
    case 'M':
      if (length == 10) return FieldLayout::MemoText;
      return length == 4 && fox ? FieldLayout::MemoBinary : FieldLayout::KeptZero;
    default: break;
  }
  if (IsDbase7(version)) {
    switch (field.Type) {
      case 'I':
      case '+': return length == 4 ? FieldLayout::Dbase7Integer : FieldLayout::KeptZero;
      case 'O': return length == 8 ? FieldLayout::Dbase7Double : FieldLayout::KeptZero;
      case '@': return length == 8 ? FieldLayout::Dbase7Timestamp : FieldLayout::KeptZero;
      default: return FieldLayout::KeptBlank;  // B and G: binary memos at a text block number
    }
  }
  switch (field.Type) {
    case 'V': return fox ? FieldLayout::VarText : FieldLayout::KeptZero;
    // Binary at any width; an integer with decimals (Harbour scales it) or of another width
    // than 4 is not certain.
    case 'I': return length == 4 && field.Decimals == 0 ? FieldLayout::Integer : FieldLayout::KeptZero;
    // At other widths these letters name something else (dBase 5's B of 10 is a memo block
    // number as text), or nothing known: kept as they are, blank in a new record.
    case 'B': return length == 8 ? FieldLayout::Double : FieldLayout::KeptBlank;
    case 'Y': return length == 8 ? FieldLayout::Currency : FieldLayout::KeptBlank;
    case 'T': return length == 8 ? FieldLayout::DateTime : FieldLayout::KeptBlank;
    case 'G':
    case 'P':  // Visual FoxPro's 4-byte block numbers; FoxPro 2 and dBase keep 10 as text
      return fox || length == 4 ? FieldLayout::KeptZero : FieldLayout::KeptBlank;
    case 'W': case 'Q': case '0': case '@': case '+': case '=': case '^': case 'O':
      return FieldLayout::KeptZero;
    default: return FieldLayout::KeptBlank;
  }
}

FieldLayout LayoutOf(const FieldInfo& field) {
  return field.Layout != FieldLayout::Unset ? field.Layout : LayoutOfField(0x03, field);
}

bool IsZeroBlank(FieldLayout layout) {
  switch (layout) {
    case FieldLayout::VarText:
    case FieldLayout::MemoBinary:
    case FieldLayout::Integer:
    case FieldLayout::Double:
    case FieldLayout::Currency:
    case FieldLayout::DateTime:
    case FieldLayout::Dbase7Integer:
    case FieldLayout::Dbase7Double:
    case FieldLayout::Dbase7Timestamp:
    case FieldLayout::KeptZero: return true;
    default: return false;
  }
}

}  // namespace fw
