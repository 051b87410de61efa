#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/expr/Node.h"
#include "core/expr/XbaseText.h"
#include "core/platform/FieldBytes.h"

namespace fw::expr {

enum class Fn {
  Upper, Lower, Str, StrZero, Dtos, Dtoc, Ctod, Substr, Left, Right, Trim, LTrim, AllTrim,
  PadL, PadR, PadC, Val, Iif, Descend, RecNo, Deleted, Empty, Year, Month, Day, Round, Int,
  Abs, Min, Max, Mod, Len, Space, Replicate, Chr, Asc, Refused
};

struct FunctionDef {
  const char* Name;
  Fn Id;
  uint32_t MinArgs, MaxArgs;
  const char* Refusal;  // for functions the program knows but will not evaluate
};

namespace {

constexpr FunctionDef kFunctions[] = {
    {"UPPER", Fn::Upper, 1, 1, nullptr},       {"LOWER", Fn::Lower, 1, 1, nullptr},
    {"STR", Fn::Str, 1, 3, nullptr},           {"STRZERO", Fn::StrZero, 1, 3, nullptr},
    {"DTOS", Fn::Dtos, 1, 1, nullptr},         {"DTOC", Fn::Dtoc, 1, 1, nullptr},
    {"CTOD", Fn::Ctod, 1, 1, nullptr},         {"SUBSTR", Fn::Substr, 2, 3, nullptr},
    {"LEFT", Fn::Left, 2, 2, nullptr},         {"RIGHT", Fn::Right, 2, 2, nullptr},
    {"TRIM", Fn::Trim, 1, 1, nullptr},         {"RTRIM", Fn::Trim, 1, 1, nullptr},
    {"LTRIM", Fn::LTrim, 1, 1, nullptr},       {"ALLTRIM", Fn::AllTrim, 1, 1, nullptr},
    {"PADL", Fn::PadL, 2, 3, nullptr},         {"PADR", Fn::PadR, 2, 3, nullptr},
    {"PADC", Fn::PadC, 2, 3, nullptr},         {"VAL", Fn::Val, 1, 1, nullptr},
    {"IIF", Fn::Iif, 3, 3, nullptr},           {"IF", Fn::Iif, 3, 3, nullptr},
    {"DESCEND", Fn::Descend, 1, 1, nullptr},   {"RECNO", Fn::RecNo, 0, 0, nullptr},
    {"DELETED", Fn::Deleted, 0, 0, nullptr},   {"EMPTY", Fn::Empty, 1, 1, nullptr},
    {"YEAR", Fn::Year, 1, 1, nullptr},         {"MONTH", Fn::Month, 1, 1, nullptr},
    {"DAY", Fn::Day, 1, 1, nullptr},           {"ROUND", Fn::Round, 2, 2, nullptr},
    {"INT", Fn::Int, 1, 1, nullptr},           {"ABS", Fn::Abs, 1, 1, nullptr},
    {"MIN", Fn::Min, 2, 2, nullptr},           {"MAX", Fn::Max, 2, 2, nullptr},
    {"MOD", Fn::Mod, 2, 2, nullptr},           {"LEN", Fn::Len, 1, 1, nullptr},
    {"SPACE", Fn::Space, 1, 1, nullptr},       {"REPLICATE", Fn::Replicate, 2, 2, nullptr},
    {"CHR", Fn::Chr, 1, 1, nullptr},           {"ASC", Fn::Asc, 1, 1, nullptr},
    {"DATE", Fn::Refused, 0, 0,
     "gibt das heutige Datum; damit wären die Daten bei jedem Lauf andere"},
    {"TIME", Fn::Refused, 0, 0,
     "gibt die Uhrzeit; damit wären die Daten bei jedem Lauf andere"},
    {"SECONDS", Fn::Refused, 0, 0,
     "gibt die Uhrzeit; damit wären die Daten bei jedem Lauf andere"},
};

std::string At(uint32_t position) { return " an Stelle " + std::to_string(position); }

// The argument as a count: whole, and within what a text may hold (larger counts are
// refused by the caller through CheckTextLength).
int64_t Count(double n) {
  if (!(n == n)) return 0;
  return int64_t(std::clamp(n, -1e9, 1e9));
}

struct Call {
  const FunctionDef& Def;
  uint32_t At;
  std::vector<uint32_t> Positions;
  Args& A;
  CompileState& State;

  void Need(size_t i, ExprType type) const {
    if (A[i]->Info.Type != type)
      Fail(Positions[i], "Typ passt nicht" + fw::expr::At(Positions[i]) + ": " + Def.Name +
                             " erwartet als " + std::to_string(i + 1) + ". Argument " +
                             TypeName(type) + ", nicht " + TypeName(A[i]->Info.Type) + ".");
  }
  // The value of a constant numeric argument, when it is constant.
  std::optional<double> Constant(size_t i) const {
    if (i >= A.size() || !A[i]->Info.Constant) return std::nullopt;
    A[i] = Fold(std::move(A[i]));
    struct None final : RecordView {
      std::string_view Text(uint32_t) const override { return {}; }
      double Number(uint32_t) const override { return 0; }
      Date DateOf(uint32_t) const override { return Date(); }
      bool Logic(uint32_t) const override { return false; }
      uint32_t RecNo() const override { return 0; }
      bool Deleted() const override { return false; }
    } none;
    return A[i]->Number(none);
  }
  NodeInfo Info(ExprType type) const { return Over(type, At, A); }
  NodeInfo TextInfo(uint32_t length, bool fixed) const {
    NodeInfo info = Info(ExprType::Text);
    info.Length = fixed ? length : std::min(length, kMaxTextLength);
    info.Fixed = fixed;
    return info;
  }
};

uint32_t ClampLength(uint64_t n) { return uint32_t(std::min<uint64_t>(n, uint64_t(kMaxTextLength) + 1)); }

NodePtr MapCase(Call& c, const CaseMap* given, bool upper) {
  c.Need(0, ExprType::Text);
  CaseMap map;
  for (int i = 0; i < 256; ++i) {
    unsigned char b = static_cast<unsigned char>(i);
    if (given) b = (*given)[i];
    else if (upper && b >= 'a' && b <= 'z') b = static_cast<unsigned char>(b - 32);
    else if (!upper && b >= 'A' && b <= 'Z') b = static_cast<unsigned char>(b + 32);
    map[i] = b;
  }
  const NodeInfo info = c.TextInfo(c.A[0]->Info.Length, c.A[0]->Info.Fixed);
  if (!given && upper) {
    // ASCII letters only: eight bytes at a time. A byte's top bit after adding (0x80 - 'a')
    // to its low seven bits says it is 'a' or above, after adding (0x80 - 'z' - 1) that it is
    // above 'z'; bytes from 0x80 on stay as they are. 0x80 >> 2 is the 0x20 a letter loses.
    return MakeNode(info, std::move(c.A), [](Args& a, const RecordView& r, std::string& out) {
      const std::string_view s = a[0]->Text(r);
      out.resize(s.size());
      constexpr uint64_t kOnes = 0x0101010101010101ull, kTops = 0x8080808080808080ull;
      size_t i = 0;
      for (; i + 8 <= s.size(); i += 8) {
        uint64_t w;
        std::memcpy(&w, s.data() + i, 8);
        const uint64_t low = w & ~kTops;
        const uint64_t lower = (low + (0x80 - 'a') * kOnes) & ~(low + (0x80 - 'z' - 1) * kOnes) & ~w & kTops;
        w ^= lower >> 2;
        std::memcpy(out.data() + i, &w, 8);
      }
      for (; i < s.size(); ++i) {
        const char b = s[i];
        out[i] = b >= 'a' && b <= 'z' ? char(b - 32) : b;
      }
      return std::string_view(out);
    });
  }
  return MakeNode(info, std::move(c.A), [map](Args& a, const RecordView& r, std::string& out) {
    const std::string_view s = a[0]->Text(r);
    out.resize(s.size());
    for (size_t i = 0; i < s.size(); ++i) out[i] = char(map[static_cast<unsigned char>(s[i])]);
    return std::string_view(out);
  });
}

NodePtr StrCall(Call& c, bool zeros) {
  c.Need(0, ExprType::Number);
  for (size_t i = 1; i < c.A.size(); ++i) c.Need(i, ExprType::Number);
  const uint32_t ownWidth = c.A[0]->Info.Width, ownDecimals = c.A[0]->Info.Decimals;
  if (c.A.size() == 1) {
    if (ownWidth > 0) {
      const NodeInfo info = c.TextInfo(ownWidth, true);
      return MakeNode(info, std::move(c.A), [zeros, ownWidth, ownDecimals](Args& a, const RecordView& r, std::string& out) {
        if (zeros) FormatStrZero(a[0]->Number(r), ownWidth, ownDecimals, out);
        else FormatStr(a[0]->Number(r), ownWidth, ownDecimals, out);
        return std::string_view(out);
      });
    }
    // A computed number: xBase's default width, which grows for large numbers.
    const uint32_t fraction = ownDecimals ? ownDecimals + 1 : 0;
    NodeInfo info = c.TextInfo(20 + fraction, false);
    if (c.A[0]->Info.Constant) {
      info.Length = DefaultIntegerWidth(c.Constant(0).value_or(0)) + fraction;
      info.Fixed = true;
    }
    return MakeNode(info, std::move(c.A), [zeros, ownDecimals, fraction](Args& a, const RecordView& r, std::string& out) {
      const double n = a[0]->Number(r);
      if (zeros) FormatStrZero(n, DefaultIntegerWidth(n) + fraction, ownDecimals, out);
      else FormatStr(n, DefaultIntegerWidth(n) + fraction, ownDecimals, out);
      return std::string_view(out);
    });
  }
  // A width below 1 counts as none given (xBase's default width); decimals below 0 as 0.
  const std::optional<double> width = c.Constant(1);
  const std::optional<double> decimals = c.A.size() > 2 ? c.Constant(2) : std::optional<double>(0);
  if (width && *width > 255)
    Fail(c.Positions[1], std::string(c.Def.Name) + " erlaubt höchstens eine Länge von 255" + At(c.Positions[1]) + ".");
  if (decimals && *decimals > 255)
    Fail(c.Positions[2], std::string(c.Def.Name) + " erlaubt höchstens 255 Dezimalstellen" + At(c.Positions[2]) + ".");
  const NodeInfo info = width && *width >= 1 ? c.TextInfo(uint32_t(*width), true) : c.TextInfo(255, false);
  return MakeNode(info, std::move(c.A), [zeros](Args& a, const RecordView& r, std::string& out) {
    const double n = a[0]->Number(r);
    const int64_t w = Count(a[1]->Number(r));
    const int64_t d = std::max<int64_t>(a.size() > 2 ? Count(a[2]->Number(r)) : 0, 0);
    if (w > 255 || d > 255)
      throw EvaluationError("STR erlaubt höchstens eine Länge von 255 und 255 Dezimalstellen.");
    const uint32_t width = w >= 1 ? uint32_t(w) : DefaultIntegerWidth(n) + (d ? uint32_t(d) + 1 : 0);
    if (zeros) FormatStrZero(n, width, uint32_t(d), out);
    else FormatStr(n, width, uint32_t(d), out);
    return std::string_view(out);
  });
}

// xBase's start of SUBSTR: 1 is the first byte, 0 counts as 1, a negative start counts from
// the end (-1 is the last byte). Returns the 0-based offset, at most the length.
size_t SubstrStart(int64_t start, size_t length) {
  if (start > 0) return std::min<size_t>(size_t(start - 1), length);
  if (start == 0) return 0;
  const int64_t from = int64_t(length) + start;
  return from < 0 ? 0 : size_t(from);
}

NodePtr SubstrCall(Call& c) {
  c.Need(0, ExprType::Text);
  c.Need(1, ExprType::Number);
  if (c.A.size() > 2) c.Need(2, ExprType::Number);
  const std::optional<double> start = c.Constant(1);
  const std::optional<double> count = c.A.size() > 2 ? c.Constant(2) : std::nullopt;
  const uint32_t length = c.A[0]->Info.Length;
  uint32_t most = length;
  bool fixed = false;
  if (start && (count || c.A.size() == 2) && c.A[0]->Info.Fixed) {
    const size_t from = SubstrStart(Count(*start), length);
    const int64_t n = count ? Count(*count) : int64_t(length);
    most = uint32_t(n <= 0 ? 0 : std::min<uint64_t>(uint64_t(n), length - from));
    fixed = true;
  } else if (count) {
    most = uint32_t(std::clamp<int64_t>(Count(*count), 0, length));
  }
  const NodeInfo info = c.TextInfo(most, fixed);
  return MakeNode(info, std::move(c.A), [](Args& a, const RecordView& r, std::string&) {
    const std::string_view s = a[0]->Text(r);
    const size_t from = SubstrStart(Count(a[1]->Number(r)), s.size());
    int64_t n = int64_t(s.size() - from);
    if (a.size() > 2) n = std::min<int64_t>(n, Count(a[2]->Number(r)));
    return n <= 0 ? std::string_view() : s.substr(from, size_t(n));
  });
}

NodePtr LeftRight(Call& c, bool left) {
  c.Need(0, ExprType::Text);
  c.Need(1, ExprType::Number);
  const std::optional<double> count = c.Constant(1);
  const uint32_t length = c.A[0]->Info.Length;
  uint32_t most = length;
  if (count) most = uint32_t(std::clamp<int64_t>(Count(*count), 0, length));
  const NodeInfo info = c.TextInfo(most, count && c.A[0]->Info.Fixed);
  if (left)
    return MakeNode(info, std::move(c.A), [](Args& a, const RecordView& r, std::string&) {
      const std::string_view s = a[0]->Text(r);
      const int64_t n = Count(a[1]->Number(r));
      return n <= 0 ? std::string_view() : s.substr(0, size_t(n));
    });
  return MakeNode(info, std::move(c.A), [](Args& a, const RecordView& r, std::string&) {
    const std::string_view s = a[0]->Text(r);
    const int64_t n = Count(a[1]->Number(r));
    return n <= 0 ? std::string_view() : s.substr(s.size() - std::min<size_t>(size_t(n), s.size()));
  });
}

NodePtr TrimCall(Call& c, bool leading, bool trailing) {
  c.Need(0, ExprType::Text);
  const NodeInfo info = c.TextInfo(c.A[0]->Info.Length, false);
  return MakeNode(info, std::move(c.A), [leading, trailing](Args& a, const RecordView& r, std::string&) {
    std::string_view s = a[0]->Text(r);
    if (trailing)
      while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    // As xBase: blanks at the end; blanks, tabs and line ends at the start.
    if (leading)
      while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' || s.front() == '\n'))
        s.remove_prefix(1);
    return s;
  });
}

// PADL, PADR and PADC take text, numbers (their STR() without leading blanks) and dates
// (their DTOC()). A longer value is cut to its first n bytes.
NodePtr PadCall(Call& c, Fn which) {
  const ExprType type = c.A[0]->Info.Type;
  if (type == ExprType::Logic) c.Need(0, ExprType::Text);
  c.Need(1, ExprType::Number);
  if (c.A.size() > 2) c.Need(2, ExprType::Text);
  if (type == ExprType::Date) c.State.UsesDateFormat = true;
  const std::optional<double> count = c.Constant(1);
  if (count && Count(*count) > int64_t(kMaxTextLength))
    Fail(c.Positions[1], std::string(c.Def.Name) + " ergäbe einen Text von mehr als " +
                             std::to_string(kMaxTextLength) + " Bytes" + At(c.Positions[1]) + ".");
  const NodeInfo info = count ? c.TextInfo(uint32_t(std::max<int64_t>(Count(*count), 0)), true)
                              : c.TextInfo(kMaxTextLength, false);
  const uint32_t width = c.A[0]->Info.Width, decimals = c.A[0]->Info.Decimals;
  const DateFormat dates = c.State.Options.Dates;
  return MakeNode(info, std::move(c.A), [which, type, width, decimals, dates](Args& a, const RecordView& r, std::string& out) {
    std::string value;
    std::string_view s;
    if (type == ExprType::Text) {
      s = a[0]->Text(r);
    } else if (type == ExprType::Number) {
      const double n = a[0]->Number(r);
      FormatStr(n, width ? width : DefaultIntegerWidth(n) + (decimals ? decimals + 1 : 0), decimals, value);
      s = value;
      while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    } else {
      FormatDate(a[0]->DateOf(r), dates, value);
      s = value;
    }
    const int64_t n = Count(a[1]->Number(r));
    if (n <= 0) return std::string_view();
    CheckTextLength(uint64_t(n));
    // The fill is the first byte of the third argument; an empty one fills with zero bytes.
    char fill = ' ';
    if (a.size() > 2) {
      const std::string_view f = a[2]->Text(r);
      fill = f.empty() ? '\0' : f[0];
    }
    const size_t total = size_t(n);
    if (s.size() >= total) {
      out.assign(s.substr(0, total));
      return std::string_view(out);
    }
    const size_t pad = total - s.size();
    const size_t before = which == Fn::PadL ? pad : which == Fn::PadC ? pad / 2 : 0;
    out.assign(before, fill);
    out.append(s);
    out.append(pad - before, fill);
    return std::string_view(out);
  });
}

// DESCEND: what sorts the other way round in a key. Text: each byte c becomes 256 - c (a zero
// byte stays zero); a number its negative; a date the number 5231808 minus its Julian day; a
// logical its opposite.
NodePtr DescendCall(Call& c) {
  switch (c.A[0]->Info.Type) {
    case ExprType::Text: {
      const NodeInfo info = c.TextInfo(c.A[0]->Info.Length, c.A[0]->Info.Fixed);
      return MakeNode(info, std::move(c.A), [](Args& a, const RecordView& r, std::string& out) {
        const std::string_view s = a[0]->Text(r);
        out.resize(s.size());
        for (size_t i = 0; i < s.size(); ++i) out[i] = char(256 - static_cast<unsigned char>(s[i]));
        return std::string_view(out);
      });
    }
    case ExprType::Number: {
      NodeInfo info = c.Info(ExprType::Number);
      info.Width = c.A[0]->Info.Width;
      info.Decimals = c.A[0]->Info.Decimals;
      return MakeNode(info, std::move(c.A), [](Args& a, const RecordView& r) { return -a[0]->Number(r); });
    }
    case ExprType::Date:
      return MakeNode(c.Info(ExprType::Number), std::move(c.A), [](Args& a, const RecordView& r) {
        return double(5231808 - JulianDay(a[0]->DateOf(r)));
      });
    default:
      return MakeNode(c.Info(ExprType::Logic), std::move(c.A), [](Args& a, const RecordView& r) { return !a[0]->Logic(r); });
  }
}

NodePtr IifCall(Call& c) {
  c.Need(0, ExprType::Logic);
  const NodeInfo& x = c.A[1]->Info;
  const NodeInfo& y = c.A[2]->Info;
  if (x.Type != y.Type)
    Fail(c.Positions[2], std::string("Typen passen nicht zusammen") + At(c.Positions[2]) + ": " + c.Def.Name +
                             " gibt " + TypeName(x.Type) + " oder " + TypeName(y.Type) + ".");
  NodeInfo info = c.Info(x.Type);
  info.Length = std::max(x.Length, y.Length);
  info.Fixed = x.Fixed && y.Fixed && x.Length == y.Length;
  info.Width = x.Width == y.Width && x.Decimals == y.Decimals ? x.Width : 0;
  info.Decimals = std::max(x.Decimals, y.Decimals);
  switch (x.Type) {
    case ExprType::Text:
      return MakeNode(info, std::move(c.A), [](Args& a, const RecordView& r, std::string&) {
        return a[0]->Logic(r) ? a[1]->Text(r) : a[2]->Text(r);
      });
    case ExprType::Number:
      return MakeNode(info, std::move(c.A), [](Args& a, const RecordView& r) {
        return a[0]->Logic(r) ? a[1]->Number(r) : a[2]->Number(r);
      });
    case ExprType::Date:
      return MakeNode(info, std::move(c.A), [](Args& a, const RecordView& r) {
        return a[0]->Logic(r) ? a[1]->DateOf(r) : a[2]->DateOf(r);
      });
    default:
      return MakeNode(info, std::move(c.A), [](Args& a, const RecordView& r) {
        return a[0]->Logic(r) ? a[1]->Logic(r) : a[2]->Logic(r);
      });
  }
}

NodePtr MinMaxCall(Call& c, bool max) {
  const ExprType type = c.A[0]->Info.Type;
  if (type != ExprType::Number && type != ExprType::Date) c.Need(0, ExprType::Number);
  c.Need(1, type);
  NodeInfo info = c.Info(type);
  const NodeInfo& x = c.A[0]->Info;
  const NodeInfo& y = c.A[1]->Info;
  info.Width = x.Width == y.Width && x.Decimals == y.Decimals ? x.Width : 0;
  info.Decimals = std::max(x.Decimals, y.Decimals);
  if (type == ExprType::Date)
    return MakeNode(info, std::move(c.A), [max](Args& a, const RecordView& r) {
      const Date p = a[0]->DateOf(r), q = a[1]->DateOf(r);
      return (max ? p >= q : p <= q) ? p : q;
    });
  return MakeNode(info, std::move(c.A), [max](Args& a, const RecordView& r) {
    const double p = a[0]->Number(r), q = a[1]->Number(r);
    return (max ? p >= q : p <= q) ? p : q;
  });
}

template <class F>
NodePtr NumberOf(Call& c, ExprType argument, uint32_t width, uint32_t decimals, F f) {
  c.Need(0, argument);
  NodeInfo info = c.Info(ExprType::Number);
  info.Width = width;
  info.Decimals = decimals;
  return MakeNode(info, std::move(c.A), f);
}

}  // namespace

const FunctionDef& FindFunction(std::string_view upperName, uint32_t position) {
  const FunctionDef* found = nullptr;
  for (const FunctionDef& def : kFunctions)
    if (upperName == def.Name) found = &def;
  if (!found && upperName.size() >= 4) {
    for (const FunctionDef& def : kFunctions) {
      if (std::string_view(def.Name).substr(0, upperName.size()) != upperName) continue;
      if (found && found->Id != def.Id)
        Fail(position, "Die Abkürzung " + std::string(upperName) + At(position) +
                           " passt auf mehrere Funktionen (" + found->Name + ", " + def.Name + ").");
      found = &def;
    }
  }
  if (!found) Fail(position, "Unbekannte Funktion " + std::string(upperName) + At(position) + ".");
  if (found->Refusal)
    Fail(position, "Die Funktion " + std::string(found->Name) + At(position) + " ist nicht erlaubt: sie " +
                       found->Refusal + ".");
  return *found;
}

NodePtr CallFunction(const FunctionDef& def, uint32_t position, std::vector<uint32_t> argPositions,
                     Args args, CompileState& state) {
  if (args.size() < def.MinArgs || args.size() > def.MaxArgs) {
    const std::string wanted = def.MinArgs == def.MaxArgs
                                   ? std::to_string(def.MinArgs)
                                   : std::to_string(def.MinArgs) + " bis " + std::to_string(def.MaxArgs);
    Fail(position, std::string(def.Name) + At(position) + " braucht " + wanted + " Argument" +
                       (def.MaxArgs == 1 ? "" : "e") + ", nicht " + std::to_string(args.size()) + ".");
  }
  Call c{def, position, std::move(argPositions), args, state};
  const CompileOptions& options = state.Options;
  switch (def.Id) {
    case Fn::Upper: return MapCase(c, options.UpperMap, true);
    case Fn::Lower: return MapCase(c, options.LowerMap, false);
    case Fn::Str: return StrCall(c, false);
    case Fn::StrZero: return StrCall(c, true);
    case Fn::Dtos:
      c.Need(0, ExprType::Date);
      return MakeNode(c.TextInfo(8, true), std::move(args), [](Args& a, const RecordView& r, std::string& out) {
        out.resize(8);
        DateBytes(a[0]->DateOf(r), out.data());
        return std::string_view(out);
      });
    case Fn::Dtoc: {
      c.Need(0, ExprType::Date);
      state.UsesDateFormat = true;
      const DateFormat dates = options.Dates;
      return MakeNode(c.TextInfo(DateTextLength(dates), true), std::move(args),
                      [dates](Args& a, const RecordView& r, std::string& out) {
                        FormatDate(a[0]->DateOf(r), dates, out);
                        return std::string_view(out);
                      });
    }
    case Fn::Ctod: {
      c.Need(0, ExprType::Text);
      state.UsesDateFormat = true;
      const DateFormat dates = options.Dates;
      return MakeNode(c.Info(ExprType::Date), std::move(args),
                      [dates](Args& a, const RecordView& r) { return ParseDate(a[0]->Text(r), dates); });
    }
    case Fn::Substr: return SubstrCall(c);
    case Fn::Left: return LeftRight(c, true);
    case Fn::Right: return LeftRight(c, false);
    case Fn::Trim: return TrimCall(c, false, true);
    case Fn::LTrim: return TrimCall(c, true, false);
    case Fn::AllTrim: return TrimCall(c, true, true);
    case Fn::PadL:
    case Fn::PadR:
    case Fn::PadC: return PadCall(c, def.Id);
    case Fn::Val:
      return NumberOf(c, ExprType::Text, 0, options.Decimals,
                      [](Args& a, const RecordView& r) { return ValueOfText(a[0]->Text(r)); });
    case Fn::Iif: return IifCall(c);
    case Fn::Descend: return DescendCall(c);
    case Fn::RecNo: {
      state.ReadsRecNo = true;
      NodeInfo info = c.Info(ExprType::Number);
      info.Constant = false;
      return MakeNode(info, std::move(args), [](Args&, const RecordView& r) { return double(r.RecNo()); });
    }
    case Fn::Deleted: {
      state.ReadsDeleted = true;
      NodeInfo info = c.Info(ExprType::Logic);
      info.Constant = false;
      return MakeNode(info, std::move(args), [](Args&, const RecordView& r) { return r.Deleted(); });
    }
    case Fn::Empty: {
      const NodeInfo info = c.Info(ExprType::Logic);
      switch (args[0]->Info.Type) {
        case ExprType::Text:
          return MakeNode(info, std::move(args), [](Args& a, const RecordView& r) {
            return a[0]->Text(r).find_first_not_of(" \t\r\n") == std::string_view::npos;
          });
        case ExprType::Number:
          return MakeNode(info, std::move(args), [](Args& a, const RecordView& r) { return a[0]->Number(r) == 0; });
        case ExprType::Date:
          return MakeNode(info, std::move(args), [](Args& a, const RecordView& r) { return a[0]->DateOf(r).IsEmpty(); });
        default:
          return MakeNode(info, std::move(args), [](Args& a, const RecordView& r) { return !a[0]->Logic(r); });
      }
    }
    case Fn::Year:
    case Fn::Month:
    case Fn::Day: {
      const Fn part = def.Id;
      return NumberOf(c, ExprType::Date, part == Fn::Year ? 5 : 3, 0, [part](Args& a, const RecordView& r) {
        int y, m, d;
        a[0]->DateOf(r).ToYmd(y, m, d);
        return double(part == Fn::Year ? y : part == Fn::Month ? m : d);
      });
    }
    case Fn::Round: {
      c.Need(1, ExprType::Number);
      const std::optional<double> places = c.Constant(1);
      return NumberOf(c, ExprType::Number, 0,
                      places ? uint32_t(std::clamp<int64_t>(Count(*places), 0, 15)) : options.Decimals,
                      [](Args& a, const RecordView& r) {
                        const double n = a[0]->Number(r);
                        return RoundDecimal(n, int(std::clamp<int64_t>(Count(a[1]->Number(r)), -99, 99)));
                      });
    }
    case Fn::Int:
      return NumberOf(c, ExprType::Number, args[0]->Info.Width, 0,
                      [](Args& a, const RecordView& r) { return std::trunc(a[0]->Number(r)); });
    case Fn::Abs:
      return NumberOf(c, ExprType::Number, args[0]->Info.Width, args[0]->Info.Decimals,
                      [](Args& a, const RecordView& r) { return std::fabs(a[0]->Number(r)); });
    case Fn::Min: return MinMaxCall(c, false);
    case Fn::Max: return MinMaxCall(c, true);
    case Fn::Mod:
      // dBase's MOD: the remainder takes the sign of the divisor (MOD(-1, 3) is 2).
      c.Need(1, ExprType::Number);
      return NumberOf(c, ExprType::Number, 0, std::max(args[0]->Info.Decimals, args[1]->Info.Decimals),
                      [](Args& a, const RecordView& r) {
                        const double x = a[0]->Number(r), y = a[1]->Number(r);
                        if (y == 0) return 0.0;
                        double m = std::fmod(x, y);
                        if (m != 0 && ((m < 0) != (y < 0))) m += y;
                        return m;
                      });
    case Fn::Len:
      return NumberOf(c, ExprType::Text, 0, 0,
                      [](Args& a, const RecordView& r) { return double(a[0]->Text(r).size()); });
    case Fn::Space:
    case Fn::Replicate: {
      const bool space = def.Id == Fn::Space;
      const size_t countArg = space ? 0 : 1;
      if (!space) c.Need(0, ExprType::Text);
      c.Need(countArg, ExprType::Number);
      const std::optional<double> count = c.Constant(countArg);
      const uint64_t unit = space ? 1 : args[0]->Info.Length;
      const bool fixed = count && (space || args[0]->Info.Fixed);
      const uint64_t total = count ? uint64_t(std::max<int64_t>(Count(*count), 0)) * unit : kMaxTextLength;
      if (count && total > kMaxTextLength && (space || args[0]->Info.Fixed))
        Fail(c.Positions[countArg], std::string(def.Name) + At(c.Positions[countArg]) + " ergäbe einen Text von " +
                                        std::to_string(total) + " Bytes; mehr als " +
                                        std::to_string(kMaxTextLength) + " sind nicht möglich.");
      const NodeInfo info = c.TextInfo(ClampLength(total), fixed);
      if (space)
        return MakeNode(info, std::move(args), [](Args& a, const RecordView& r, std::string& out) {
          const int64_t n = Count(a[0]->Number(r));
          if (n <= 0) return std::string_view();
          CheckTextLength(uint64_t(n));
          out.assign(size_t(n), ' ');
          return std::string_view(out);
        });
      return MakeNode(info, std::move(args), [](Args& a, const RecordView& r, std::string& out) {
        const std::string_view s = a[0]->Text(r);
        const int64_t n = Count(a[1]->Number(r));
        if (n <= 0 || s.empty()) return std::string_view();
        CheckTextLength(uint64_t(n) * s.size());
        out.clear();
        for (int64_t i = 0; i < n; ++i) out.append(s);
        return std::string_view(out);
      });
    }
    case Fn::Chr:
      c.Need(0, ExprType::Number);
      return MakeNode(c.TextInfo(1, true), std::move(args), [](Args& a, const RecordView& r, std::string& out) {
        out.assign(1, char(uint8_t(Count(a[0]->Number(r)) & 0xFF)));
        return std::string_view(out);
      });
    case Fn::Asc:
      return NumberOf(c, ExprType::Text, 0, 0, [](Args& a, const RecordView& r) {
        const std::string_view s = a[0]->Text(r);
        return s.empty() ? 0.0 : double(static_cast<unsigned char>(s[0]));
      });
    case Fn::Refused: break;
  }
  Fail(position, "Unbekannte Funktion " + std::string(def.Name) + At(position) + ".");
}

}  // namespace fw::expr
