#pragma once
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/expr/Expression.h"

namespace fw::expr {

// What the compiler knows of a node before any record is read.
struct NodeInfo {
  ExprType Type = ExprType::Logic;
  uint32_t Position = 0;  // 1-based, where the node's operator or name stands
  uint32_t Length = 0;    // text: fixed length, or the most it can be
  bool Fixed = true;      // text: every record gives exactly Length bytes
  uint32_t Width = 0;     // number: STR()'s width, 0 for xBase's default
  uint32_t Decimals = 0;  // number: STR()'s decimals
  bool Constant = true;   // reads nothing of the record: folded at compile time
  uint32_t Depth = 1;
};

// One node of a compiled expression. A node is asked only for the value of its own type.
// Text results point into the record, a literal, or the node's own buffer; they stay valid
// until the node is evaluated again, which cannot happen before its parent has used them.
class Node {
public:
  explicit Node(NodeInfo info) : Info(info) {}
  virtual ~Node() = default;
  virtual std::string_view Text(const RecordView&) { return {}; }
  virtual double Number(const RecordView&) { return 0; }
  virtual Date DateOf(const RecordView&) { return Date(); }
  virtual bool Logic(const RecordView&) { return false; }
  virtual bool IsLiteral() const { return false; }
  NodeInfo Info;
};

using NodePtr = std::unique_ptr<Node>;
using Args = std::vector<NodePtr>;

// Nodes that compute their value from their arguments by a function object: F is called as
// f(args, record) (f(args, record, buffer) for text).
template <class F>
class TextNode final : public Node {
public:
  TextNode(NodeInfo info, Args args, F f) : Node(info), args_(std::move(args)), f_(std::move(f)) {}
  std::string_view Text(const RecordView& r) override { return f_(args_, r, buffer_); }

private:
  Args args_;
  F f_;
  std::string buffer_;
};

template <class F>
class NumberNode final : public Node {
public:
  NumberNode(NodeInfo info, Args args, F f) : Node(info), args_(std::move(args)), f_(std::move(f)) {}
  double Number(const RecordView& r) override { return f_(args_, r); }

private:
  Args args_;
  F f_;
};

template <class F>
class DateNode final : public Node {
public:
  DateNode(NodeInfo info, Args args, F f) : Node(info), args_(std::move(args)), f_(std::move(f)) {}
  Date DateOf(const RecordView& r) override { return f_(args_, r); }

private:
  Args args_;
  F f_;
};

template <class F>
class LogicNode final : public Node {
public:
  LogicNode(NodeInfo info, Args args, F f) : Node(info), args_(std::move(args)), f_(std::move(f)) {}
  bool Logic(const RecordView& r) override { return f_(args_, r); }

private:
  Args args_;
  F f_;
};

// The info of a node over these arguments: constant when they all are, one level deeper.
inline NodeInfo Over(ExprType type, uint32_t position, const Args& args) {
  NodeInfo info;
  info.Type = type;
  info.Position = position;
  for (const NodePtr& a : args) {
    info.Constant = info.Constant && a->Info.Constant;
    info.Depth = std::max(info.Depth, a->Info.Depth + 1);
  }
  return info;
}

// The node of the function object's kind: text when it takes a buffer, else by what it
// returns (double, Date, bool). The info is taken before the arguments are moved.
template <class F>
NodePtr MakeNode(const NodeInfo& info, Args&& args, F f) {
  if constexpr (std::is_invocable_v<F&, Args&, const RecordView&, std::string&>) {
    return std::make_unique<TextNode<F>>(info, std::move(args), std::move(f));
  } else {
    using R = std::invoke_result_t<F&, Args&, const RecordView&>;
    if constexpr (std::is_same_v<R, double>)
      return std::make_unique<NumberNode<F>>(info, std::move(args), std::move(f));
    else if constexpr (std::is_same_v<R, Date>)
      return std::make_unique<DateNode<F>>(info, std::move(args), std::move(f));
    else
      return std::make_unique<LogicNode<F>>(info, std::move(args), std::move(f));
  }
}

// A value known at compile time (a literal, or a folded constant part).
class LiteralNode final : public Node {
public:
  explicit LiteralNode(NodeInfo info) : Node(info) {}
  std::string_view Text(const RecordView&) override { return text_; }
  double Number(const RecordView&) override { return number_; }
  Date DateOf(const RecordView&) override { return date_; }
  bool Logic(const RecordView&) override { return logic_; }
  bool IsLiteral() const override { return true; }

  std::string text_;
  double number_ = 0;
  Date date_;
  bool logic_ = false;
};

// A field of the record.
class FieldNode final : public Node {
public:
  FieldNode(NodeInfo info, uint32_t field) : Node(info), field_(field) {}
  std::string_view Text(const RecordView& r) override { return r.Text(field_); }
  double Number(const RecordView& r) override { return r.Number(field_); }
  Date DateOf(const RecordView& r) override { return r.DateOf(field_); }
  bool Logic(const RecordView& r) override { return r.Logic(field_); }

private:
  uint32_t field_;
};

// Throws EvaluationError when a text would grow beyond kMaxTextLength.
void CheckTextLength(uint64_t length);

// What compiling found out beyond the nodes.
struct CompileState {
  const CompileOptions& Options;
  std::vector<uint32_t> FieldsRead;
  bool ReadsRecNo = false, ReadsDeleted = false, UsesDateFormat = false;
};

// Refusal of the expression: caught by Compile, which turns it into a CompileError.
struct CompileFailure {
  uint32_t Position;
  std::string Message;
};
[[noreturn]] void Fail(uint32_t position, std::string message);

// "Zeichen", "Zahl", "Datum", "Logisch".
const char* TypeName(ExprType type);

// Functions: the definition a name stands for (exact or a unique beginning of at least four
// letters), and the node of a call. FindFunction fails for unknown and refused functions.
struct FunctionDef;
const FunctionDef& FindFunction(std::string_view upperName, uint32_t position);
NodePtr CallFunction(const FunctionDef& def, uint32_t position, std::vector<uint32_t> argPositions,
                     Args args, CompileState& state);

// Replaces a constant node by a literal of the same info (evaluation errors become refusals).
NodePtr Fold(NodePtr node);

}  // namespace fw::expr
