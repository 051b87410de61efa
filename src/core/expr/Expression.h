#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/expr/RecordView.h"
#include "core/platform/Date.h"
#include "core/platform/Value.h"

namespace fw::expr {

// The four types of xBase values: C text, N number, D date, L logical.
enum class ExprType : char { Text = 'C', Number = 'N', Date = 'D', Logic = 'L' };

// A field as the expression sees it: the index RecordView is asked with, the type (C, N, D or
// L; the caller maps other field types, F to N say, or refuses them by leaving them out), and
// the length and decimals of the field.
struct FieldInfo {
  uint32_t Index = 0;
  ExprType Type = ExprType::Text;
  uint32_t Length = 0;
  uint32_t Decimals = 0;
};

// Gives the field of a name (upper case, as the expression wrote it after ALIAS->), or nothing
// when the table has no such field.
class FieldResolver {
public:
  virtual ~FieldResolver() = default;
  virtual std::optional<FieldInfo> Find(std::string_view upperName) const = 0;
};

// A resolver over a list of named fields, names compared without regard to letter case.
class FieldList final : public FieldResolver {
public:
  void Add(std::string name, FieldInfo info);
  std::optional<FieldInfo> Find(std::string_view upperName) const override;

private:
  std::vector<std::pair<std::string, FieldInfo>> fields_;
};

// A 256-byte map of the table's code page, applied byte by byte.
using CaseMap = std::array<unsigned char, 256>;

struct CompileOptions {
  // Aliases that may stand before "->" (compared without regard to letter case), besides
  // FIELD and _FIELD. Empty: any alias, since a key or formula can only name the fields of
  // the one table it belongs to.
  std::vector<std::string> Aliases;
  // UPPER and LOWER change the ASCII letters unless a map of the code page is given.
  const CaseMap* UpperMap = nullptr;
  const CaseMap* LowerMap = nullptr;
  // How DTOC writes and CTOD reads dates: xBase's SET DATE, default American (MM/DD/YY) with
  // SET EPOCH 1900, as a Clipper application has it unless it sets otherwise.
  DateFormat Dates{DateOrder::MonthDayYear, '/', false, 1900};
  // SET DECIMALS: the decimals of a quotient or power, default 2.
  uint32_t Decimals = 2;
};

// Why an expression was refused: a German sentence naming the 1-based position (in bytes of
// the expression's text) and what is wrong.
struct CompileError {
  uint32_t Position = 0;
  std::string Message;
};

// Raised during evaluation when a value grows beyond what an expression may make (a text
// longer than kMaxTextLength); the message is a German sentence.
class EvaluationError : public std::exception {
public:
  explicit EvaluationError(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

private:
  std::string message_;
};

// The longest text an expression may produce, in bytes (xBase's limit of a string).
inline constexpr uint32_t kMaxTextLength = 65535;
// The deepest nesting of operators and calls an expression may have.
inline constexpr uint32_t kMaxDepth = 200;

class Node;
struct CompileResult;

// A compiled expression: typed and checked once, then evaluated per record without parsing.
// Evaluation keeps its text results in buffers of the expression itself, so one expression
// must not be evaluated by two threads at once (compile one per thread).
class Expression {
public:
  ~Expression();
  Expression(const Expression&) = delete;
  Expression& operator=(const Expression&) = delete;

  const std::string& Text() const { return text_; }
  ExprType Type() const;
  // Text results: the length in bytes, and whether every record gives exactly that length
  // (UPPER(NAME)+VORNAME: the sum of the field lengths; TRIM(NAME) is not fixed, and Length
  // is then the most it can be, kMaxTextLength when it depends on the values).
  uint32_t Length() const;
  bool FixedLength() const;
  // Number results: the width and decimals STR() would use for them. Width 0: the number has
  // no width of its own (it was computed), and STR() takes xBase's default: 10 places before
  // the point (20 from 10^10 up or from -10^9 down), then the point and the decimals.
  uint32_t Width() const;
  uint32_t Decimals() const;

  // The indexes of the fields the expression reads, each once, ascending: what a formula
  // depends on.
  const std::vector<uint32_t>& FieldsRead() const { return fieldsRead_; }
  bool ReadsRecNo() const { return readsRecNo_; }
  bool ReadsDeleted() const { return readsDeleted_; }
  // True when the result depends on the date format (DTOC, CTOD): an index key built with it
  // is only right for applications that run with the same SET DATE and SET EPOCH.
  bool UsesDateFormat() const { return usesDateFormat_; }

  // Evaluation on one record: call the one that matches Type(). The text stays valid until the
  // expression is evaluated again. May raise EvaluationError.
  std::string_view EvalText(const RecordView& record);
  double EvalNumber(const RecordView& record);
  Date EvalDate(const RecordView& record);
  bool EvalLogic(const RecordView& record);
  // The same as a Value (allocates for text).
  Value Evaluate(const RecordView& record);

private:
  friend CompileResult Compile(std::string_view, const FieldResolver&, const CompileOptions&);
  Expression() = default;
  std::string text_;
  std::unique_ptr<Node> root_;
  std::vector<uint32_t> fieldsRead_;
  bool readsRecNo_ = false, readsDeleted_ = false, usesDateFormat_ = false;
};

struct CompileResult {
  std::unique_ptr<Expression> Compiled;  // set when the expression was accepted
  CompileError Error;                    // else why not
  explicit operator bool() const { return Compiled != nullptr; }
};

// Parses, types and checks an expression once. Names of fields and functions are found
// without regard to letter case; a function may be written as any unique beginning of its
// name of at least four letters (SUBS, ALLT, DESC), as xBase accepts.
CompileResult Compile(std::string_view text, const FieldResolver& fields,
                      const CompileOptions& options = {});

}  // namespace fw::expr
