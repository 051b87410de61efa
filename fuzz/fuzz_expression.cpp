// An xBase expression of arbitrary bytes, compiled against a fixed table of every field type
// and evaluated on two records (one deleted, with an empty date and blank number).
// Checked here: a refusal names a position inside the text (or just after it) and says
// something; an accepted expression gives text no longer than the length it announced (exactly
// that length when it said fixed), the same value twice on the same record, and grows beyond
// the limit only by raising EvaluationError.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/expr/DbfRecordView.h"
#include "core/expr/Expression.h"

namespace {

struct Setup {
  fw::expr::FieldList fields;
  std::string first = std::string(" ") + "Meier     " + "Hans    " + "   123" + "  -1234.50" + "20240131" +
                      "T" + "01067";
  std::string second = std::string("*") + "          " + "M\xFCller  " + "      " + "    99.995" +
                       "        " + "?" + "     ";
  fw::expr::DbfRecordView view{{{1, 10, 'C'}, {11, 8, 'C'}, {19, 6, 'N'}, {25, 10, 'N'},
                                {35, 8, 'D'}, {43, 1, 'L'}, {44, 5, 'C'}}};
  Setup() {
    using fw::expr::ExprType;
    fields.Add("NAME", {0, ExprType::Text, 10, 0});
    fields.Add("VORNAME", {1, ExprType::Text, 8, 0});
    fields.Add("KDNR", {2, ExprType::Number, 6, 0});
    fields.Add("BETRAG", {3, ExprType::Number, 10, 2});
    fields.Add("DATUM", {4, ExprType::Date, 8, 0});
    fields.Add("AKTIV", {5, ExprType::Logic, 1, 0});
    fields.Add("PLZ", {6, ExprType::Text, 5, 0});
  }
};

std::string ValueText(fw::expr::Expression& e, const fw::expr::RecordView& r) {
  using fw::expr::ExprType;
  switch (e.Type()) {
    case ExprType::Text: {
      const std::string_view t = e.EvalText(r);
      if (t.size() > e.Length() || (e.FixedLength() && t.size() != e.Length())) std::abort();
      return std::string(t);
    }
    case ExprType::Number: {
      const double n = e.EvalNumber(r);
      return n == n ? std::to_string(n) : "nan";
    }
    case ExprType::Date: return e.EvalDate(r).ToDbf();
    default: return e.EvalLogic(r) ? "T" : "F";
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Setup setup;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  fw::expr::CompileResult result = fw::expr::Compile(text, setup.fields);
  if (!result) {
    if (result.Error.Message.empty() || result.Error.Position < 1 || result.Error.Position > size + 1)
      std::abort();
    return 0;
  }
  for (const std::string* record : {&setup.first, &setup.second}) {
    setup.view.Bind(record->data(), record == &setup.first ? 1 : 2);
    try {
      const std::string once = ValueText(*result.Compiled, setup.view);
      if (ValueText(*result.Compiled, setup.view) != once) std::abort();
    } catch (const fw::expr::EvaluationError& e) {
      if (std::string_view(e.what()).empty()) std::abort();
    }
  }
  return 0;
}
