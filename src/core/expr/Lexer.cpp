#include "core/expr/Lexer.h"

#include "core/expr/Node.h"

namespace fw::expr {

namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

std::string Where(size_t at) { return " an Stelle " + std::to_string(at + 1); }

}  // namespace

Token Lexer::Next() {
  while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r' ||
                                text_[at_] == '\n'))
    ++at_;
  Token t;
  t.Position = uint32_t(at_ + 1);
  if (at_ >= text_.size()) return t;
  const char c = text_[at_];
  const size_t start = at_;

  // 0d20240131: Harbour's date literal.
  if (c == '0' && at_ + 1 < text_.size() && (text_[at_ + 1] == 'd' || text_[at_ + 1] == 'D') &&
      at_ + 2 < text_.size() && IsDigit(text_[at_ + 2])) {
    size_t i = at_ + 2;
    while (i < text_.size() && IsDigit(text_[i])) ++i;
    if (i - at_ - 2 != 8 || (i < text_.size() && (IsLetter(text_[i]))))
      Fail(t.Position, "Ungültiges Datum" + Where(start) + ": 0d braucht acht Ziffern JJJJMMTT.");
    t.Kind = TokenKind::DateLiteral;
    t.Text = std::string(text_.substr(at_ + 2, 8));
    at_ = i;
    return t;
  }
  if (IsDigit(c) || (c == '.' && at_ + 1 < text_.size() && IsDigit(text_[at_ + 1]))) {
    size_t i = at_;
    while (i < text_.size() && IsDigit(text_[i])) ++i;
    if (i < text_.size() && text_[i] == '.' && i + 1 < text_.size() && IsDigit(text_[i + 1])) {
      ++i;
      while (i < text_.size() && IsDigit(text_[i])) ++i;
    } else if (i < text_.size() && text_[i] == '.' &&
               !(i + 1 < text_.size() && IsLetter(text_[i + 1]))) {
      ++i;  // "5." is 5, but "5.AND." is 5 and .AND.
    }
    if (i < text_.size() && IsLetter(text_[i]))
      Fail(t.Position, "Ungültige Zahl" + Where(start) + ".");
    t.Kind = TokenKind::Number;
    t.Text = std::string(text_.substr(at_, i - at_));
    at_ = i;
    return t;
  }
  if (IsLetter(c)) {
    size_t i = at_;
    while (i < text_.size() && (IsLetter(text_[i]) || IsDigit(text_[i]))) ++i;
    t.Kind = TokenKind::Name;
    for (size_t k = at_; k < i; ++k) t.Text += Upper(text_[k]);
    at_ = i;
    return t;
  }
  if (c == '"' || c == '\'' || c == '[') {
    const char close = c == '[' ? ']' : c;
    const size_t end = text_.find(close, at_ + 1);
    if (end == std::string_view::npos)
      Fail(t.Position, "Zeichenkette ohne Ende" + Where(start) + ".");
    t.Kind = TokenKind::String;
    t.Text = std::string(text_.substr(at_ + 1, end - at_ - 1));
    at_ = end + 1;
    return t;
  }
  if (c == '{') {
    // {^2024-01-31}: FoxPro's strict date literal; {} is the empty date.
    const size_t end = text_.find('}', at_);
    if (end == std::string_view::npos) Fail(t.Position, "Datum ohne Ende" + Where(start) + ".");
    std::string_view inner = text_.substr(at_ + 1, end - at_ - 1);
    while (!inner.empty() && inner.front() == ' ') inner.remove_prefix(1);
    while (!inner.empty() && inner.back() == ' ') inner.remove_suffix(1);
    t.Kind = TokenKind::DateLiteral;
    if (!inner.empty()) {
      if (inner.front() != '^')
        Fail(t.Position, "Ungültiges Datum" + Where(start) + ": erwartet wird {^JJJJ-MM-TT}.");
      inner.remove_prefix(1);
      std::string digits;
      for (char d : inner)
        if (IsDigit(d)) digits += d;
        else if (d != '-' && d != '/' && d != '.')
          Fail(t.Position, "Ungültiges Datum" + Where(start) + ": erwartet wird {^JJJJ-MM-TT}.");
      if (digits.size() != 8)
        Fail(t.Position, "Ungültiges Datum" + Where(start) + ": erwartet wird {^JJJJ-MM-TT}.");
      t.Text = digits;
    }
    at_ = end + 1;
    return t;
  }
  if (c == '.') {
    // .T. .F. .Y. .N. .AND. .OR. .NOT.
    size_t i = at_ + 1;
    std::string word;
    while (i < text_.size() && IsLetter(text_[i]) && word.size() < 4) word += Upper(text_[i++]);
    if (i < text_.size() && text_[i] == '.') {
      if (word == "T" || word == "Y" || word == "F" || word == "N") {
        t.Kind = TokenKind::Logic;
        t.Logic = word == "T" || word == "Y";
        at_ = i + 1;
        return t;
      }
      if (word == "AND" || word == "OR" || word == "NOT") {
        t.Kind = TokenKind::Operator;
        t.Text = "." + word + ".";
        at_ = i + 1;
        return t;
      }
    }
    Fail(t.Position, "Unerwartetes Zeichen \".\"" + Where(start) + ".");
  }
  static constexpr std::string_view kTwo[] = {"**", "==", "<>", "!=", "<=", ">=", "->", ":="};
  for (std::string_view op : kTwo)
    if (text_.substr(at_, 2) == op) {
      if (op == ":=") Fail(t.Position, "Zuweisungen sind in Ausdrücken nicht erlaubt" + Where(start) + ".");
      t.Kind = TokenKind::Operator;
      t.Text = std::string(op);
      at_ += 2;
      return t;
    }
  static constexpr std::string_view kOne = "+-*/%^=#<>$!(),";
  if (kOne.find(c) != std::string_view::npos) {
    t.Kind = TokenKind::Operator;
    t.Text = std::string(1, c);
    ++at_;
    return t;
  }
  const unsigned char u = static_cast<unsigned char>(c);
  std::string shown = (u >= 32 && u < 127) ? "\"" + std::string(1, c) + "\""
                                           : "mit dem Code " + std::to_string(u);
  Fail(t.Position, "Unerwartetes Zeichen " + shown + Where(start) + ".");
}

}  // namespace fw::expr
