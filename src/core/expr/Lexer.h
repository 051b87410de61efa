#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace fw::expr {

// The tokens of an xBase expression. Operators keep their text (upper case for the dotted
// ones: ".AND.", ".OR.", ".NOT."); names are upper-cased; strings hold their bytes without
// the delimiters; numbers their text.
enum class TokenKind { End, Name, Number, String, Logic, DateLiteral, Operator };

struct Token {
  TokenKind Kind = TokenKind::End;
  std::string Text;
  uint32_t Position = 0;  // 1-based byte position of the token's first character
  bool Logic = false;     // .T./.Y. or .F./.N.
};

// Splits the text into tokens one at a time; a character that starts no token, a string
// without its end or a malformed date literal is refused (Fail) with its position.
class Lexer {
public:
  explicit Lexer(std::string_view text) : text_(text) {}
  Token Next();

private:
  std::string_view text_;
  size_t at_ = 0;
};

}  // namespace fw::expr
