#pragma once
#include <string>

#include "core/expr/DbfRecordView.h"
#include "core/expr/Expression.h"

namespace fw::expr::test {

// One record of a customer table, as bytes of a DBF record:
//   NAME C10 "Meier     ", VORNAME C8 "Hans    ", KDNR N6 "   123", BETRAG N10.2 "  -1234.50",
//   DATUM D "20240131", AKTIV L "T", LEER D (blank), PLZ C5 "01067".
struct TestRecord {
  TestRecord();
  FieldList Fields;
  std::string Bytes;
  DbfRecordView View;
};

// Compiles against the test record; a refusal fails the calling test with its message.
std::unique_ptr<Expression> Compiled(const std::string& text, const CompileOptions& options = {});
// The expression's value on the test record, as text: text as it is, numbers by STR() with
// the expression's width and decimals, dates as DTOS, logicals as .T./.F.
std::string ValueOn(const std::string& text, const CompileOptions& options = {});
// The refusal's message ("" when the expression compiles).
std::string Refusal(const std::string& text, const CompileOptions& options = {});

}  // namespace fw::expr::test
