#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/expr/Lexer.h"
#include "core/expr/Node.h"
#include "core/expr/XbaseText.h"

namespace fw::expr {

void Fail(uint32_t position, std::string message) {
  throw CompileFailure{position, std::move(message)};
}

void CheckTextLength(uint64_t length) {
  if (length > kMaxTextLength)
    throw EvaluationError("Der Ausdruck ergäbe einen Text von " + std::to_string(length) +
                          " Bytes; mehr als " + std::to_string(kMaxTextLength) +
                          " sind nicht möglich.");
}

const char* TypeName(ExprType type) {
  switch (type) {
    case ExprType::Text: return "Zeichen";
    case ExprType::Number: return "Zahl";
    case ExprType::Date: return "Datum";
    default: return "Logisch";
  }
}

namespace {

std::string At(uint32_t position) { return " an Stelle " + std::to_string(position); }

// Answers nothing: constant nodes read no field.
class NoRecord final : public RecordView {
public:
  std::string_view Text(uint32_t) const override { return {}; }
  double Number(uint32_t) const override { return 0; }
  Date DateOf(uint32_t) const override { return Date(); }
  bool Logic(uint32_t) const override { return false; }
  uint32_t RecNo() const override { return 0; }
  bool Deleted() const override { return false; }
};

// xBase's comparison of texts with SET EXACT OFF: an empty right side equals anything; else
// the right side's length decides, so "Müller" = "Mü" holds and "Mü" = "Müller" does not.
// Byte order (machine collation).
int CompareText(std::string_view a, std::string_view b) {
  if (b.empty()) return 0;
  const size_t n = std::min(a.size(), b.size());
  const int r = n ? std::memcmp(a.data(), b.data(), n) : 0;
  if (r != 0) return r < 0 ? -1 : 1;
  return a.size() >= b.size() ? 0 : -1;
}

template <class T>
int Compare3(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

NodePtr Fold(NodePtr node) {
  if (!node->Info.Constant || node->IsLiteral()) return node;
  auto literal = std::make_unique<LiteralNode>(node->Info);
  NoRecord none;
  try {
    switch (node->Info.Type) {
      case ExprType::Text: literal->text_ = std::string(node->Text(none)); break;
      case ExprType::Number: literal->number_ = node->Number(none); break;
      case ExprType::Date: literal->date_ = node->DateOf(none); break;
      case ExprType::Logic: literal->logic_ = node->Logic(none); break;
    }
  } catch (const EvaluationError& e) {
    std::string message = e.what();
    if (!message.empty() && message.back() == '.') message.pop_back();
    Fail(node->Info.Position, message + " (an Stelle " + std::to_string(node->Info.Position) + ").");
  }
  if (literal->Info.Type == ExprType::Text) {
    literal->Info.Length = uint32_t(literal->text_.size());
    literal->Info.Fixed = true;
  }
  literal->Info.Depth = 1;
  return literal;
}

// The compiler: a recursive descent over the tokens that builds typed nodes as it goes.
struct Compiler {
  Lexer lexer;
  Token token;
  const FieldResolver& fields;
  CompileState state;
  uint32_t nesting = 0;

  Compiler(std::string_view text, const FieldResolver& f, const CompileOptions& options)
      : lexer(text), fields(f), state{options, {}, false, false, false} {}

  void Advance() { token = lexer.Next(); }
  bool IsOp(std::string_view op) const { return token.Kind == TokenKind::Operator && token.Text == op; }

  [[noreturn]] void Unexpected() {
    if (token.Kind == TokenKind::End)
      Fail(token.Position, "Der Ausdruck endet zu früh" + At(token.Position) + ".");
    Fail(token.Position, "Unerwartetes \"" + Shown(token) + "\"" + At(token.Position) + ".");
  }
  static std::string Shown(const Token& t) {
    switch (t.Kind) {
      case TokenKind::String: return "\"" + t.Text.substr(0, 20) + "\"";
      case TokenKind::Logic: return t.Logic ? ".T." : ".F.";
      default: return t.Text.substr(0, 20);
    }
  }

  void Enter(uint32_t position) {
    if (++nesting > kMaxDepth)
      Fail(position, "Der Ausdruck ist zu tief verschachtelt" + At(position) + " (mehr als " +
                         std::to_string(kMaxDepth) + " Ebenen).");
  }
  void Leave() { --nesting; }

  NodePtr Finish(NodePtr node) {
    if (node->Info.Depth > kMaxDepth)
      Fail(node->Info.Position, "Der Ausdruck ist zu tief verschachtelt" + At(node->Info.Position) +
                                    " (mehr als " + std::to_string(kMaxDepth) + " Ebenen).");
    if (node->Info.Type == ExprType::Text && node->Info.Fixed && node->Info.Length > kMaxTextLength)
      Fail(node->Info.Position, "Der Ausdruck ergäbe" + At(node->Info.Position) + " einen Text von " +
                                    std::to_string(node->Info.Length) + " Bytes; mehr als " +
                                    std::to_string(kMaxTextLength) + " sind nicht möglich.");
    return Fold(std::move(node));
  }

  [[noreturn]] void Mismatch(uint32_t position, const NodePtr& a, std::string_view op, const NodePtr& b) {
    Fail(position, "Typen passen nicht zusammen" + At(position) + ": " + TypeName(a->Info.Type) +
                       " " + std::string(op) + " " + TypeName(b->Info.Type) + ".");
  }
  [[noreturn]] void Mismatch(uint32_t position, std::string_view op, const NodePtr& a) {
    Fail(position, "Typ passt nicht" + At(position) + ": " + std::string(op) + " verlangt " +
                       (op == "-" || op == "+" ? "eine Zahl" : "einen logischen Wert") + ", nicht " +
                       TypeName(a->Info.Type) + ".");
  }

  // Operands joined by .OR. (or .AND.), left to right, each parsed by `operand`.
  template <typename Operand, typename Join>
  NodePtr LogicChain(const char* op, Operand operand, Join join) {
    NodePtr left = (this->*operand)();
    while (IsOp(op)) {
      const uint32_t at = token.Position;
      Advance();
      NodePtr right = (this->*operand)();
      if (left->Info.Type != ExprType::Logic || right->Info.Type != ExprType::Logic)
        Mismatch(at, left, op, right);
      Args args;
      args.push_back(std::move(left));
      args.push_back(std::move(right));
      left = Finish(MakeNode(Over(ExprType::Logic, at, args), std::move(args), join));
    }
    return left;
  }

  NodePtr ParseOr() {
    return LogicChain(".OR.", &Compiler::ParseAnd,
                      [](Args& a, const RecordView& r) { return a[0]->Logic(r) || a[1]->Logic(r); });
  }

  NodePtr ParseAnd() {
    return LogicChain(".AND.", &Compiler::ParseNot,
                      [](Args& a, const RecordView& r) { return a[0]->Logic(r) && a[1]->Logic(r); });
  }

  NodePtr ParseNot() {
    if (IsOp(".NOT.") || IsOp("!")) {
      const uint32_t at = token.Position;
      const std::string op = token.Text;
      Enter(at);
      Advance();
      NodePtr operand = ParseNot();
      Leave();
      if (operand->Info.Type != ExprType::Logic) Mismatch(at, op, operand);
      Args args;
      args.push_back(std::move(operand));
      return Finish(MakeNode(Over(ExprType::Logic, at, args), std::move(args),
                             [](Args& a, const RecordView& r) { return !a[0]->Logic(r); }));
    }
    return ParseRelation();
  }

  NodePtr ParseRelation() {
    NodePtr left = ParseAdditive();
    static constexpr std::string_view kRelations[] = {"=", "==", "<>", "#", "!=", "<", "<=", ">", ">=", "$"};
    while (token.Kind == TokenKind::Operator &&
           std::find(std::begin(kRelations), std::end(kRelations), token.Text) != std::end(kRelations)) {
      const uint32_t at = token.Position;
      const std::string op = token.Text;
      Advance();
      NodePtr right = ParseAdditive();
      left = Finish(Relation(at, op, std::move(left), std::move(right)));
    }
    return left;
  }

  NodePtr Relation(uint32_t at, const std::string& op, NodePtr left, NodePtr right) {
    const ExprType type = left->Info.Type;
    if (type != right->Info.Type || (op == "$" && type != ExprType::Text)) Mismatch(at, left, op, right);
    Args args;
    args.push_back(std::move(left));
    args.push_back(std::move(right));
    const NodeInfo info = Over(ExprType::Logic, at, args);
    if (op == "$")
      return MakeNode(info, std::move(args), [](Args& a, const RecordView& r) {
        const std::string_view needle = a[0]->Text(r);
        return a[1]->Text(r).find(needle) != std::string_view::npos;
      });
    if (op == "==" && type == ExprType::Text)
      return MakeNode(info, std::move(args),
                      [](Args& a, const RecordView& r) { return a[0]->Text(r) == a[1]->Text(r); });
    // Every other relation is a three-way comparison tested against what the operator wants.
    int low, high;  // the comparison results that make the relation true: low <= c <= high
    bool negate = false;
    if (op == "=" || op == "==") low = high = 0;
    else if (op == "<>" || op == "#" || op == "!=") low = high = 0, negate = true;
    else if (op == "<") low = high = -1;
    else if (op == "<=") low = -1, high = 0;
    else if (op == ">") low = high = 1;
    else low = 0, high = 1;
    auto test = [low, high, negate](int c) { return (c >= low && c <= high) != negate; };
    switch (type) {
      case ExprType::Text:
        return MakeNode(info, std::move(args), [test](Args& a, const RecordView& r) {
          const std::string_view x = a[0]->Text(r);
          return test(CompareText(x, a[1]->Text(r)));
        });
      case ExprType::Number:
        return MakeNode(info, std::move(args), [test](Args& a, const RecordView& r) {
          const double x = a[0]->Number(r);
          return test(Compare3(x, a[1]->Number(r)));
        });
      case ExprType::Date:
        return MakeNode(info, std::move(args), [test](Args& a, const RecordView& r) {
          const Date x = a[0]->DateOf(r);
          return test(Compare3(x.DayNumber(), a[1]->DateOf(r).DayNumber()));
        });
      default:
        return MakeNode(info, std::move(args), [test](Args& a, const RecordView& r) {
          const int x = a[0]->Logic(r);
          return test(Compare3(x, int(a[1]->Logic(r))));
        });
    }
  }

  NodePtr ParseAdditive() {
    NodePtr left = ParseMultiplicative();
    while (IsOp("+") || IsOp("-")) {
      const uint32_t at = token.Position;
      const bool plus = token.Text == "+";
      Advance();
      NodePtr right = ParseMultiplicative();
      left = Finish(plus ? Plus(at, std::move(left), std::move(right))
                         : Minus(at, std::move(left), std::move(right)));
    }
    return left;
  }

  static Args Pair(NodePtr a, NodePtr b) {
    Args args;
    args.push_back(std::move(a));
    args.push_back(std::move(b));
    return args;
  }

  static NodeInfo TextInfo(uint32_t at, const Args& args) {
    NodeInfo info = Over(ExprType::Text, at, args);
    info.Length = uint32_t(std::min<uint64_t>(uint64_t(args[0]->Info.Length) + args[1]->Info.Length,
                                              uint64_t(kMaxTextLength) + 1));
    info.Fixed = args[0]->Info.Fixed && args[1]->Info.Fixed;
    if (!info.Fixed) info.Length = std::min(info.Length, kMaxTextLength);
    return info;
  }

  static NodeInfo SumInfo(uint32_t at, const Args& args) {
    NodeInfo info = Over(ExprType::Number, at, args);
    info.Decimals = std::max(args[0]->Info.Decimals, args[1]->Info.Decimals);
    return info;
  }

  static NodePtr DatePlusDays(uint32_t at, NodePtr date, NodePtr days, bool minus) {
    Args args = Pair(std::move(date), std::move(days));
    NodeInfo info = Over(ExprType::Date, at, args);
    if (minus)
      return MakeNode(info, std::move(args), [](Args& a, const RecordView& r) {
        const double n = a[1]->Number(r);
        return a[0]->DateOf(r).AddDays(std::isfinite(n) ? int64_t(std::clamp(n, -1e7, 1e7)) * -1 : 0);
      });
    return MakeNode(info, std::move(args), [](Args& a, const RecordView& r) {
      const double n = a[1]->Number(r);
      return a[0]->DateOf(r).AddDays(std::isfinite(n) ? int64_t(std::clamp(n, -1e7, 1e7)) : 0);
    });
  }

  NodePtr Plus(uint32_t at, NodePtr left, NodePtr right) {
    const ExprType l = left->Info.Type, r = right->Info.Type;
    if (l == ExprType::Text && r == ExprType::Text) {
      Args args = Pair(std::move(left), std::move(right));
      const NodeInfo info = TextInfo(at, args);
      return MakeNode(info, std::move(args), [](Args& a, const RecordView& rec, std::string& out) {
        const std::string_view x = a[0]->Text(rec);
        const std::string_view y = a[1]->Text(rec);
        CheckTextLength(uint64_t(x.size()) + y.size());
        out.assign(x);
        out.append(y);
        return std::string_view(out);
      });
    }
    if (l == ExprType::Number && r == ExprType::Number) {
      Args args = Pair(std::move(left), std::move(right));
      const NodeInfo info = SumInfo(at, args);
      return MakeNode(info, std::move(args),
                      [](Args& a, const RecordView& rec) { return a[0]->Number(rec) + a[1]->Number(rec); });
    }
    if (l == ExprType::Date && r == ExprType::Number) return DatePlusDays(at, std::move(left), std::move(right), false);
    if (l == ExprType::Number && r == ExprType::Date) return DatePlusDays(at, std::move(right), std::move(left), false);
    Mismatch(at, left, "+", right);
  }

  NodePtr Minus(uint32_t at, NodePtr left, NodePtr right) {
    const ExprType l = left->Info.Type, r = right->Info.Type;
    if (l == ExprType::Text && r == ExprType::Text) {
      // The left side's trailing blanks move behind the right side: "Meier  " - "Hans"
      // gives "MeierHans  ", as long as both together.
      Args args = Pair(std::move(left), std::move(right));
      const NodeInfo info = TextInfo(at, args);
      return MakeNode(info, std::move(args), [](Args& a, const RecordView& rec, std::string& out) {
        const std::string_view x = a[0]->Text(rec);
        const std::string_view y = a[1]->Text(rec);
        CheckTextLength(uint64_t(x.size()) + y.size());
        size_t kept = x.size();
        while (kept > 0 && x[kept - 1] == ' ') --kept;
        out.assign(x.substr(0, kept));
        out.append(y);
        out.append(x.size() - kept, ' ');
        return std::string_view(out);
      });
    }
    if (l == ExprType::Number && r == ExprType::Number) {
      Args args = Pair(std::move(left), std::move(right));
      const NodeInfo info = SumInfo(at, args);
      return MakeNode(info, std::move(args),
                      [](Args& a, const RecordView& rec) { return a[0]->Number(rec) - a[1]->Number(rec); });
    }
    if (l == ExprType::Date && r == ExprType::Number) return DatePlusDays(at, std::move(left), std::move(right), true);
    if (l == ExprType::Date && r == ExprType::Date) {
      Args args = Pair(std::move(left), std::move(right));
      const NodeInfo info = Over(ExprType::Number, at, args);
      return MakeNode(info, std::move(args), [](Args& a, const RecordView& rec) {
        const int64_t x = JulianDay(a[0]->DateOf(rec));
        return double(x - JulianDay(a[1]->DateOf(rec)));
      });
    }
    Mismatch(at, left, "-", right);
  }

  NodePtr ParseMultiplicative() {
    NodePtr left = ParsePower();
    while (IsOp("*") || IsOp("/") || IsOp("%")) {
      const uint32_t at = token.Position;
      const char op = token.Text[0];
      Advance();
      NodePtr right = ParsePower();
      if (left->Info.Type != ExprType::Number || right->Info.Type != ExprType::Number)
        Mismatch(at, left, std::string(1, op), right);
      Args args = Pair(std::move(left), std::move(right));
      NodeInfo info = Over(ExprType::Number, at, args);
      if (op == '*') {
        info.Decimals = std::min<uint32_t>(args[0]->Info.Decimals + args[1]->Info.Decimals, 15);
        left = Finish(MakeNode(info, std::move(args),
                               [](Args& a, const RecordView& r) { return a[0]->Number(r) * a[1]->Number(r); }));
      } else if (op == '/') {
        // Division by zero gives 0, as the default error handler of a Clipper program answers it.
        info.Decimals = state.Options.Decimals;
        left = Finish(MakeNode(info, std::move(args), [](Args& a, const RecordView& r) {
          const double x = a[0]->Number(r), y = a[1]->Number(r);
          return y == 0 ? 0.0 : x / y;
        }));
      } else {
        info.Decimals = std::max(args[0]->Info.Decimals, args[1]->Info.Decimals);
        left = Finish(MakeNode(info, std::move(args), [](Args& a, const RecordView& r) {
          const double x = a[0]->Number(r), y = a[1]->Number(r);
          return y == 0 ? 0.0 : std::fmod(x, y);
        }));
      }
    }
    return left;
  }

  NodePtr ParsePower() {
    NodePtr left = ParseUnary();
    while (IsOp("^") || IsOp("**")) {
      const uint32_t at = token.Position;
      const std::string op = token.Text;
      Advance();
      NodePtr right = ParseUnary();
      if (left->Info.Type != ExprType::Number || right->Info.Type != ExprType::Number)
        Mismatch(at, left, op, right);
      Args args = Pair(std::move(left), std::move(right));
      NodeInfo info = Over(ExprType::Number, at, args);
      info.Decimals = state.Options.Decimals;
      left = Finish(MakeNode(info, std::move(args), [](Args& a, const RecordView& r) {
        const double x = std::pow(a[0]->Number(r), a[1]->Number(r));
        return std::isfinite(x) ? x : 0.0;
      }));
    }
    return left;
  }

  NodePtr ParseUnary() {
    if (IsOp("-") || IsOp("+")) {
      const uint32_t at = token.Position;
      const bool minus = token.Text == "-";
      Enter(at);
      Advance();
      NodePtr operand = ParseUnary();
      Leave();
      if (operand->Info.Type != ExprType::Number) Mismatch(at, minus ? "-" : "+", operand);
      if (!minus) return operand;
      Args args;
      args.push_back(std::move(operand));
      NodeInfo info = Over(ExprType::Number, at, args);
      info.Width = args[0]->Info.Width;
      info.Decimals = args[0]->Info.Decimals;
      return Finish(MakeNode(info, std::move(args), [](Args& a, const RecordView& r) { return -a[0]->Number(r); }));
    }
    return ParsePrimary();
  }

  NodePtr Literal(NodeInfo info) {
    info.Depth = 1;
    return std::make_unique<LiteralNode>(info);
  }

  NodePtr ParsePrimary() {
    const Token t = token;
    NodeInfo info;
    info.Position = t.Position;
    switch (t.Kind) {
      case TokenKind::Number: {
        Advance();
        info.Type = ExprType::Number;
        const size_t point = t.Text.find('.');
        info.Decimals = point == std::string::npos ? 0 : uint32_t(t.Text.size() - point - 1);
        auto node = std::make_unique<LiteralNode>(info);
        node->number_ = ValueOfText(t.Text);
        return node;
      }
      case TokenKind::String: {
        Advance();
        info.Type = ExprType::Text;
        info.Length = uint32_t(std::min<size_t>(t.Text.size(), kMaxTextLength + 1));
        auto node = std::make_unique<LiteralNode>(info);
        node->text_ = t.Text;
        return Finish(std::move(node));
      }
      case TokenKind::Logic: {
        Advance();
        info.Type = ExprType::Logic;
        auto node = std::make_unique<LiteralNode>(info);
        node->logic_ = t.Logic;
        return node;
      }
      case TokenKind::DateLiteral: {
        Advance();
        info.Type = ExprType::Date;
        auto node = std::make_unique<LiteralNode>(info);
        if (!t.Text.empty()) {
          node->date_ = Date::FromDbf(t.Text);
          if (node->date_.IsEmpty())
            Fail(t.Position, "Ungültiges Datum" + At(t.Position) + ": " + t.Text.substr(0, 4) + "-" +
                                 t.Text.substr(4, 2) + "-" + t.Text.substr(6, 2) + " gibt es nicht.");
        }
        return node;
      }
      case TokenKind::Operator:
        if (t.Text == "(") {
          Enter(t.Position);
          Advance();
          NodePtr inner = ParseOr();
          if (!IsOp(")"))
            Fail(token.Position, "Es fehlt \")\"" + At(token.Position) + ".");
          Advance();
          Leave();
          return inner;
        }
        Unexpected();
      case TokenKind::Name: return ParseName();
      default: Unexpected();
    }
  }

  NodePtr ParseName() {
    const Token name = token;
    Advance();
    if (IsOp("(")) {
      const FunctionDef& def = FindFunction(name.Text, name.Position);
      Enter(name.Position);
      Advance();
      Args args;
      std::vector<uint32_t> positions;
      if (!IsOp(")")) {
        for (;;) {
          positions.push_back(token.Position);
          args.push_back(ParseOr());
          if (IsOp(",")) {
            Advance();
            continue;
          }
          if (IsOp(")")) break;
          Fail(token.Position, "Es fehlt \")\" oder \",\"" + At(token.Position) + ".");
        }
      }
      Advance();
      Leave();
      return Finish(CallFunction(def, name.Position, std::move(positions), std::move(args), state));
    }
    Token field = name;
    if (IsOp("->")) {
      Advance();
      if (token.Kind != TokenKind::Name) Unexpected();
      field = token;
      Advance();
      const std::string& alias = name.Text;
      if (alias == "M" || alias == "MEMVAR")
        Fail(name.Position, "Speichervariablen (" + alias + "->) gibt es in diesem Ausdruck nicht" +
                                At(name.Position) + ".");
      const auto& aliases = state.Options.Aliases;
      bool known = alias == "FIELD" || alias == "_FIELD" || aliases.empty();
      for (const std::string& a : aliases) {
        std::string upper = a;
        for (char& c : upper)
          if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        known = known || upper == alias;
      }
      if (!known) Fail(name.Position, "Unbekannter Alias " + alias + At(name.Position) + ".");
    }
    const std::optional<FieldInfo> found = fields.Find(field.Text);
    if (!found) Fail(field.Position, "Unbekanntes Feld " + field.Text + At(field.Position) + ".");
    NodeInfo info;
    info.Type = found->Type;
    info.Position = field.Position;
    info.Constant = false;
    if (found->Type == ExprType::Text) {
      info.Length = found->Length;
    } else if (found->Type == ExprType::Number) {
      info.Width = found->Length;
      info.Decimals = found->Decimals;
    }
    auto& read = state.FieldsRead;
    if (std::find(read.begin(), read.end(), found->Index) == read.end()) read.push_back(found->Index);
    return std::make_unique<FieldNode>(info, found->Index);
  }
};

Expression::~Expression() = default;
ExprType Expression::Type() const { return root_->Info.Type; }
uint32_t Expression::Length() const { return root_->Info.Length; }
bool Expression::FixedLength() const { return root_->Info.Fixed; }
uint32_t Expression::Width() const { return root_->Info.Width; }
uint32_t Expression::Decimals() const { return root_->Info.Decimals; }
std::string_view Expression::EvalText(const RecordView& record) { return root_->Text(record); }
double Expression::EvalNumber(const RecordView& record) { return root_->Number(record); }
Date Expression::EvalDate(const RecordView& record) { return root_->DateOf(record); }
bool Expression::EvalLogic(const RecordView& record) { return root_->Logic(record); }

Value Expression::Evaluate(const RecordView& record) {
  switch (Type()) {
    case ExprType::Text: return Value(std::string(EvalText(record)));
    case ExprType::Number: return Value(EvalNumber(record));
    case ExprType::Date: return Value(EvalDate(record));
    default: return Value(EvalLogic(record));
  }
}

void FieldList::Add(std::string name, FieldInfo info) {
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  fields_.emplace_back(std::move(name), info);
}

std::optional<FieldInfo> FieldList::Find(std::string_view upperName) const {
  for (const auto& [name, info] : fields_)
    if (name == upperName) return info;
  return std::nullopt;
}

CompileResult Compile(std::string_view text, const FieldResolver& fields, const CompileOptions& options) {
  CompileResult result;
  try {
    if (text.size() > kMaxTextLength)
      Fail(1, "Der Ausdruck ist zu lang (" + std::to_string(text.size()) + " Zeichen; höchstens " +
                  std::to_string(kMaxTextLength) + ").");
    Compiler compiler(text, fields, options);
    compiler.Advance();
    if (compiler.token.Kind == TokenKind::End) Fail(1, "Der Ausdruck ist leer.");
    NodePtr root = compiler.ParseOr();
    if (compiler.token.Kind != TokenKind::End) compiler.Unexpected();
    std::unique_ptr<Expression> expression(new Expression());
    expression->text_ = std::string(text);
    expression->root_ = std::move(root);
    std::sort(compiler.state.FieldsRead.begin(), compiler.state.FieldsRead.end());
    expression->fieldsRead_ = std::move(compiler.state.FieldsRead);
    expression->readsRecNo_ = compiler.state.ReadsRecNo;
    expression->readsDeleted_ = compiler.state.ReadsDeleted;
    expression->usesDateFormat_ = compiler.state.UsesDateFormat;
    result.Compiled = std::move(expression);
  } catch (const CompileFailure& failure) {
    result.Error = {failure.Position, failure.Message};
  }
  return result;
}

}  // namespace fw::expr
