#include <gtest/gtest.h>

#include "core/expr/ExpressionTestRecord.h"

namespace fw::expr::test {
namespace {

TEST(ExpressionCompileTest, RefusalsNameWhatAndWhere) {
  EXPECT_EQ(Refusal("KDNR+FOO(1)"), "Unbekannte Funktion FOO an Stelle 6.");
  EXPECT_EQ(Refusal("KDNRX"), "Unbekanntes Feld KDNRX an Stelle 1.");
  EXPECT_EQ(Refusal("\"Nr. \"+KDNR"), "Typen passen nicht zusammen an Stelle 7: Zeichen + Zahl.");
  EXPECT_EQ(Refusal("UPPER(NAME"), "Es fehlt \")\" oder \",\" an Stelle 11.");
  EXPECT_EQ(Refusal("(NAME"), "Es fehlt \")\" an Stelle 6.");
  EXPECT_EQ(Refusal("NAME + \"abc"), "Zeichenkette ohne Ende an Stelle 8.");
  EXPECT_EQ(Refusal("NAME NAME"), "Unerwartetes \"NAME\" an Stelle 6.");
  EXPECT_EQ(Refusal("NAME +"), "Der Ausdruck endet zu früh an Stelle 7.");
  EXPECT_EQ(Refusal("   "), "Der Ausdruck ist leer.");
  EXPECT_EQ(Refusal("NAME ; 1"), "Unerwartetes Zeichen \";\" an Stelle 6.");
  EXPECT_EQ(Refusal("SUBSTR(NAME)"), "SUBSTR an Stelle 1 braucht 2 bis 3 Argumente, nicht 1.");
  EXPECT_EQ(Refusal("UPPER(KDNR)"),
            "Typ passt nicht an Stelle 7: UPPER erwartet als 1. Argument Zeichen, nicht Zahl.");
  EXPECT_EQ(Refusal("IIF(AKTIV, NAME, KDNR)"),
            "Typen passen nicht zusammen an Stelle 18: IIF gibt Zeichen oder Zahl.");
  EXPECT_EQ(Refusal("NAME > 5"), "Typen passen nicht zusammen an Stelle 6: Zeichen > Zahl.");
  EXPECT_EQ(Refusal("KDNR .AND. AKTIV"), "Typen passen nicht zusammen an Stelle 6: Zahl .AND. Logisch.");
  EXPECT_EQ(Refusal("M->KDNR"), "Speichervariablen (M->) gibt es in diesem Ausdruck nicht an Stelle 1.");
  EXPECT_EQ(Refusal("{^2024-02-30}"), "Ungültiges Datum an Stelle 1: 2024-02-30 gibt es nicht.");
}

TEST(ExpressionCompileTest, TodaysDateIsRefusedWithItsReason) {
  EXPECT_EQ(Refusal("DTOS(DATE())"),
            "Die Funktion DATE an Stelle 6 ist nicht erlaubt: sie gibt das heutige Datum; damit "
            "wären die Daten bei jedem Lauf andere.");
}

TEST(ExpressionCompileTest, NamesAndKeywordsInAnyCaseAndFunctionsByFourLetters) {
  EXPECT_EQ(ValueOn("upper(name) + vorname"), "MEIER     Hans    ");
  EXPECT_EQ(ValueOn("SUBS(Name, 2, 3)"), "eie");
  EXPECT_EQ(ValueOn("ALLT(VORNAME)"), "Hans");
  EXPECT_EQ(ValueOn("STRZ(KDNR, 8)"), "00000123");
  EXPECT_EQ(ValueOn("aktiv .and. .not. deleted() .Or. .f."), ".T.");
  // Shorter than four letters or no function's beginning: unknown.
  EXPECT_EQ(Refusal("SUB(NAME, 1)"), "Unbekannte Funktion SUB an Stelle 1.");
  EXPECT_EQ(Refusal("SUBSTRX(NAME, 1)"), "Unbekannte Funktion SUBSTRX an Stelle 1.");
}

TEST(ExpressionCompileTest, AliasesBeforeFieldNames) {
  EXPECT_EQ(ValueOn("FIELD->KDNR"), "   123");
  EXPECT_EQ(ValueOn("_field->Name"), "Meier     ");
  EXPECT_EQ(ValueOn("KUNDEN->PLZ"), "01067");  // no aliases given: any alias
  CompileOptions options;
  options.Aliases = {"Kunden", "K"};
  EXPECT_EQ(ValueOn("k->PLZ", options), "01067");
  EXPECT_EQ(Refusal("ARTIKEL->PLZ", options), "Unbekannter Alias ARTIKEL an Stelle 1.");
  EXPECT_EQ(Refusal("KUNDEN->PLZX", options), "Unbekanntes Feld PLZX an Stelle 9.");
}

TEST(ExpressionCompileTest, HostileExpressionsAreRefusedNotCrashed) {
  const std::string deepParens = std::string(5000, '(') + "1" + std::string(5000, ')');
  EXPECT_NE(Refusal(deepParens).find("zu tief verschachtelt"), std::string::npos);
  const std::string deepCalls = [] {
    std::string s;
    for (int i = 0; i < 3000; ++i) s += "UPPER(";
    s += "NAME";
    for (int i = 0; i < 3000; ++i) s += ")";
    return s;
  }();
  EXPECT_NE(Refusal(deepCalls).find("zu tief verschachtelt"), std::string::npos);
  std::string longChain = "NAME";
  for (int i = 0; i < 3000; ++i) longChain += "+NAME";
  EXPECT_NE(Refusal(longChain).find("zu tief verschachtelt"), std::string::npos);
  std::string negations(3000, '-');
  EXPECT_NE(Refusal(negations + "KDNR").find("zu tief verschachtelt"), std::string::npos);

  EXPECT_EQ(Refusal("REPLICATE(\"ab\", 40000)"),
            "REPLICATE an Stelle 17 ergäbe einen Text von 80000 Bytes; mehr als 65535 sind nicht möglich.");
  EXPECT_EQ(Refusal("SPACE(100000)"),
            "SPACE an Stelle 7 ergäbe einen Text von 100000 Bytes; mehr als 65535 sind nicht möglich.");
  EXPECT_EQ(Refusal("STR(KDNR, 300)"), "STR erlaubt höchstens eine Länge von 255 an Stelle 11.");
  // Sizes that depend on the record are checked per record.
  TestRecord record;
  std::unique_ptr<Expression> e = Compiled("SPACE(KDNR * 1000)");
  ASSERT_TRUE(e);
  EXPECT_FALSE(e->FixedLength());
  EXPECT_THROW(e->EvalText(record.View), EvaluationError);
}

TEST(ExpressionCompileTest, TypesAndKeyLengthsAreKnownBeforeAnyRecord) {
  struct Case {
    const char* Text;
    ExprType Type;
    uint32_t Length;
    bool Fixed;
  };
  const Case cases[] = {
      {"UPPER(NAME)+UPPER(VORNAME)", ExprType::Text, 18, true},
      {"NAME - VORNAME", ExprType::Text, 18, true},
      {"TRIM(NAME)+VORNAME", ExprType::Text, 18, false},
      {"STR(KDNR)", ExprType::Text, 6, true},
      {"STR(BETRAG,12,2)", ExprType::Text, 12, true},
      {"STR(YEAR(DATUM))", ExprType::Text, 5, true},
      {"DTOS(DATUM)+PLZ", ExprType::Text, 13, true},
      {"DTOC(DATUM)", ExprType::Text, 8, true},
      {"SUBSTR(NAME,3)", ExprType::Text, 8, true},
      {"SUBSTR(NAME,-4,2)", ExprType::Text, 2, true},
      {"LEFT(NAME,20)", ExprType::Text, 10, true},
      {"LEFT(NAME,KDNR)", ExprType::Text, 10, false},
      {"PADL(TRIM(NAME),15)", ExprType::Text, 15, true},
      {"IIF(AKTIV, NAME, PADR(VORNAME,10))", ExprType::Text, 10, true},
      {"IIF(AKTIV, NAME, VORNAME)", ExprType::Text, 10, false},
      {"DESCEND(NAME)", ExprType::Text, 10, true},
      {"DESCEND(DATUM)", ExprType::Number, 0, true},
      {"STR(KDNR*2)", ExprType::Text, 20, false},
      {"DATUM + 14", ExprType::Date, 0, true},
      {"DATUM - LEER", ExprType::Number, 0, true},
  };
  for (const Case& c : cases) {
    std::unique_ptr<Expression> e = Compiled(c.Text);
    ASSERT_TRUE(e) << c.Text;
    EXPECT_EQ(e->Type(), c.Type) << c.Text;
    if (c.Type != ExprType::Text) continue;
    EXPECT_EQ(e->Length(), c.Length) << c.Text;
    EXPECT_EQ(e->FixedLength(), c.Fixed) << c.Text;
  }
}

TEST(ExpressionCompileTest, SaysWhatAnExpressionReads) {
  std::unique_ptr<Expression> e = Compiled("IIF(DELETED(), STR(RECNO()), TRIM(VORNAME)+\" \"+NAME+vorname)");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->FieldsRead(), (std::vector<uint32_t>{0, 1}));
  EXPECT_TRUE(e->ReadsRecNo());
  EXPECT_TRUE(e->ReadsDeleted());
  EXPECT_FALSE(e->UsesDateFormat());
  EXPECT_TRUE(Compiled("DTOC(DATUM)")->UsesDateFormat());
  EXPECT_TRUE(Compiled("DATUM > CTOD(\"01/01/20\")")->UsesDateFormat());
  EXPECT_TRUE(Compiled("\"x\" + \"y\"")->FieldsRead().empty());
}

}  // namespace
}  // namespace fw::expr::test
