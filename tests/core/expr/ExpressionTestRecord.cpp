#include "core/expr/ExpressionTestRecord.h"

#include <gtest/gtest.h>

#include "core/expr/XbaseText.h"

namespace fw::expr::test {

namespace {

std::vector<FieldSlot> Layout() {
  return {{1, 10, 'C'}, {11, 8, 'C'}, {19, 6, 'N'}, {25, 10, 'N'},
          {35, 8, 'D'}, {43, 1, 'L'}, {44, 8, 'D'}, {52, 5, 'C'}};
}

}  // namespace

TestRecord::TestRecord()
    : Bytes(std::string(" ") + "Meier     " + "Hans    " + "   123" + "  -1234.50" + "20240131" + "T" +
            "        " + "01067"), View(Layout()) {
  Fields.Add("Name", {0, ExprType::Text, 10, 0});
  Fields.Add("VORNAME", {1, ExprType::Text, 8, 0});
  Fields.Add("KDNR", {2, ExprType::Number, 6, 0});
  Fields.Add("BETRAG", {3, ExprType::Number, 10, 2});
  Fields.Add("DATUM", {4, ExprType::Date, 8, 0});
  Fields.Add("AKTIV", {5, ExprType::Logic, 1, 0});
  Fields.Add("LEER", {6, ExprType::Date, 8, 0});
  Fields.Add("PLZ", {7, ExprType::Text, 5, 0});
  View.Bind(Bytes.data(), 42);
}

std::unique_ptr<Expression> Compiled(const std::string& text, const CompileOptions& options) {
  static TestRecord record;
  CompileResult result = Compile(text, record.Fields, options);
  EXPECT_TRUE(result) << text << ": " << result.Error.Message;
  return std::move(result.Compiled);
}

std::string ValueOn(const std::string& text, const CompileOptions& options) {
  TestRecord record;
  std::unique_ptr<Expression> e = Compiled(text, options);
  if (!e) return "<refused>";
  std::string out;
  switch (e->Type()) {
    case ExprType::Text: return std::string(e->EvalText(record.View));
    case ExprType::Number: {
      const double n = e->EvalNumber(record.View);
      const uint32_t fraction = e->Decimals() ? e->Decimals() + 1 : 0;
      FormatStr(n, e->Width() ? e->Width() : DefaultIntegerWidth(n) + fraction, e->Decimals(), out);
      return out;
    }
    case ExprType::Date: return e->EvalDate(record.View).ToDbf();
    default: return e->EvalLogic(record.View) ? ".T." : ".F.";
  }
}

std::string Refusal(const std::string& text, const CompileOptions& options) {
  TestRecord record;
  const CompileResult result = Compile(text, record.Fields, options);
  return result ? "" : result.Error.Message;
}

}  // namespace fw::expr::test
