#include <gtest/gtest.h>

#include <cstdlib>

#include "core/expr/ExpressionTestRecord.h"
#include "core/expr/XbaseText.h"
#include "core/platform/FieldBytes.h"

namespace fw::expr::test {
namespace {

TEST(ExpressionValueTest, FieldsReadStraightFromTheRecord) {
  EXPECT_EQ(ValueOn("NAME"), "Meier     ");
  EXPECT_EQ(ValueOn("KDNR"), "   123");
  EXPECT_EQ(ValueOn("BETRAG"), "  -1234.50");
  EXPECT_EQ(ValueOn("DATUM"), "20240131");
  EXPECT_EQ(ValueOn("AKTIV"), ".T.");
  EXPECT_EQ(ValueOn("LEER"), "        ");
  EXPECT_EQ(ValueOn("RECNO()"), "        42");
  EXPECT_EQ(ValueOn("DELETED()"), ".F.");
  EXPECT_DOUBLE_EQ(NumberOfFieldText("  -1234.50"), -1234.5);
  EXPECT_DOUBLE_EQ(NumberOfFieldText("   0.1"), 0.1);
  EXPECT_DOUBLE_EQ(NumberOfFieldText("          "), 0);
  EXPECT_DOUBLE_EQ(NumberOfFieldText(" 12345678901234567.5"), 12345678901234567.5);
}

// STR and STRZERO as Harbour's own regression tests give them.
TEST(ExpressionValueTest, StrAndStrZeroAsXbaseWritesThem) {
  EXPECT_EQ(ValueOn("STR(-1.5,5)"), "   -2");
  EXPECT_EQ(ValueOn("STR(2.675,6,2)"), "  2.68");
  EXPECT_EQ(ValueOn("STR(10)"), "        10");
  EXPECT_EQ(ValueOn("STR(10.50)"), "        10.50");
  EXPECT_EQ(ValueOn("STR(-5000000000.0)"), "         -5000000000.0");
  EXPECT_EQ(ValueOn("STR(10.50, 5)"), "   11");
  EXPECT_EQ(ValueOn("STR(-10.50, 5, 1)"), "-10.5");
  EXPECT_EQ(ValueOn("STR(100000, 5)"), "*****");
  EXPECT_EQ(ValueOn("STR(-100000, 8, 1)"), "********");
  EXPECT_EQ(ValueOn("STR(10.50, -5)"), "        11");
  EXPECT_EQ(ValueOn("STR(10, 5, -1)"), "   10");
  EXPECT_EQ(ValueOn("STR(4.0 / 2)"), "         2.00");
  // A field's own width and decimals.
  EXPECT_EQ(ValueOn("STR(KDNR)"), "   123");
  EXPECT_EQ(ValueOn("STR(BETRAG)"), "  -1234.50");
  EXPECT_EQ(ValueOn("STR(-BETRAG)"), "   1234.50");
  EXPECT_EQ(ValueOn("STR(BETRAG*2)"), "     -2469.00");

  EXPECT_EQ(ValueOn("STRZERO(-5,4)"), "-005");
  EXPECT_EQ(ValueOn("STRZERO(10)"), "0000000010");
  EXPECT_EQ(ValueOn("STRZERO(-10.50)"), "-000000010.50");
  EXPECT_EQ(ValueOn("STRZERO(-100000, 8)"), "-0100000");
  EXPECT_EQ(ValueOn("STRZERO(10, 5, 1)"), "010.0");
  EXPECT_EQ(ValueOn("STRZERO(100000, 5)"), "*****");
  EXPECT_EQ(ValueOn("STRZERO(KDNR)"), "000123");
}

TEST(ExpressionValueTest, ArithmeticAndRoundingOnTheDecimalValue) {
  EXPECT_EQ(ValueOn("ROUND(2.675, 2)"), "         2.68");
  EXPECT_EQ(ValueOn("ROUND(-2.5, 0)"), "        -3");
  EXPECT_EQ(ValueOn("ROUND(1.005, 2)"), "         1.01");
  EXPECT_EQ(ValueOn("ROUND(1250, -2)"), "      1300");
  EXPECT_EQ(ValueOn("ROUND(BETRAG * 1.19, 2)"), "     -1469.06");
  EXPECT_EQ(ValueOn("INT(-2.7)"), "        -2");
  EXPECT_EQ(ValueOn("ABS(BETRAG)"), "   1234.50");
  EXPECT_EQ(ValueOn("MOD(-1, 3)"), "         2");
  EXPECT_EQ(ValueOn("-1 % 3"), "        -1");
  EXPECT_EQ(ValueOn("MIN(KDNR, 100)"), "       100");
  EXPECT_EQ(ValueOn("MAX(KDNR, 100)"), "       123");
  EXPECT_EQ(ValueOn("2 ^ 10"), "      1024.00");
  EXPECT_EQ(ValueOn("2 ** 3 * 2"), "        16.00");
  EXPECT_EQ(ValueOn("-2 ^ 2"), "         4.00");
  EXPECT_EQ(ValueOn("1 + 2 * 3 - 4 / 2"), "         5.00");
  EXPECT_EQ(ValueOn("KDNR / 0"), "         0.00");  // Clipper's default answer to a zero divisor
  EXPECT_EQ(ValueOn("KDNR % 0"), "         0");
  EXPECT_EQ(ValueOn("VAL(\"  12.50abc\") + VAL(\"-.5\") + VAL(\"x1\")"), "        12.00");
  EXPECT_EQ(ValueOn("LEN(NAME) + LEN(TRIM(NAME))"), "        15");
}

// ROUND takes a short way for small numbers; it must give the very double that the field text
// of the long way reads as, halves and products a few units below them included.
TEST(ExpressionValueTest, RoundGivesTheValueOfTheRoundedFieldText) {
  uint64_t state = 12345;
  auto next = [&state] { return (state = state * 6364136223846793005ull + 1442695040888963407ull) >> 11; };
  for (int i = 0; i < 200000; ++i) {
    const int decimals = int(next() % 8);
    const double cents = double(int64_t(next() % 2000000) - 1000000);
    double number = cents / 100.0 * (i % 3 == 0 ? 1.19 : i % 3 == 1 ? 1.0 : 0.07);
    if (i % 5 == 0) number = double(int64_t(next() % 20000) - 10000) / 1000.0 + 0.0005;
    char text[48];
    ASSERT_TRUE(field_bytes_detail::LongNumberBytes(number, sizeof text - 1, uint32_t(decimals), text));
    text[sizeof text - 1] = 0;
    const char* begin = text;
    while (*begin == ' ') ++begin;
    EXPECT_EQ(RoundDecimal(number, decimals), std::strtod(begin, nullptr)) << number << " " << decimals;
  }
}

TEST(ExpressionValueTest, DatesTheXbaseWay) {
  EXPECT_EQ(ValueOn("DTOS(DATUM + 14)"), "20240214");
  EXPECT_EQ(ValueOn("DTOS(14 + DATUM)"), "20240214");
  EXPECT_EQ(ValueOn("DTOS(DATUM - 31)"), "20231231");
  EXPECT_EQ(ValueOn("DATUM - {^2023-12-31}"), "        31");
  EXPECT_EQ(ValueOn("DATUM - 0d20240101"), "        30");
  EXPECT_EQ(ValueOn("DTOS(LEER)"), "        ");
  EXPECT_EQ(ValueOn("DTOS(LEER + 1)"), "        ");
  EXPECT_EQ(ValueOn("STR(YEAR(DATUM)) + STR(MONTH(DATUM)) + STR(DAY(DATUM))"), " 2024  1 31");
  EXPECT_EQ(ValueOn("YEAR(LEER)"), "    0");
  EXPECT_EQ(ValueOn("DATUM > LEER .AND. LEER < {^0001-01-01} .AND. EMPTY(LEER)"), ".T.");
  EXPECT_EQ(ValueOn("MAX(DATUM, {^2025-01-01})"), "20250101");

  // DTOC and CTOD follow the date format: American by default, with SET EPOCH 1900.
  EXPECT_EQ(ValueOn("DTOC(DATUM)"), "01/31/24");
  EXPECT_EQ(ValueOn("DTOC(LEER)"), "  /  /  ");
  EXPECT_EQ(ValueOn("DTOS(CTOD(\"02/29/96\"))"), "19960229");
  EXPECT_EQ(ValueOn("DTOS(CTOD(\"02/30/96\"))"), "        ");
  EXPECT_EQ(ValueOn("DTOS(CTOD(\"\"))"), "        ");
  CompileOptions german;
  german.Dates = {DateOrder::DayMonthYear, '.', true, 1950};
  EXPECT_EQ(ValueOn("DTOC(DATUM)", german), "31.01.2024");
  EXPECT_EQ(ValueOn("DTOS(CTOD(\"1.2.49\")) + DTOS(CTOD(\"1.2.50\"))", german), "2049020119500201");
  CompileOptions ansi;
  ansi.Dates = {DateOrder::YearMonthDay, '.', false, 1900};
  EXPECT_EQ(ValueOn("DTOC(DATUM)", ansi), "24.01.31");
}

TEST(ExpressionValueTest, TextFunctionsAsXbaseDefinesThem) {
  EXPECT_EQ(ValueOn("NAME - VORNAME"), "MeierHans         ");
  EXPECT_EQ(ValueOn("\"ab  \" - \"cd \" - \"e\""), "abcde   ");
  EXPECT_EQ(ValueOn("SUBSTR(NAME, -4, 2) + SUBSTR(NAME, 0, 2) + SUBSTR(NAME, 20) + SUBSTR(NAME, 2, -1)"), "  Me");
  EXPECT_EQ(ValueOn("LEFT(NAME, 3) + RIGHT(TRIM(NAME), 2) + LEFT(NAME, -1) + RIGHT(PLZ, 9)"), "Meier01067");
  EXPECT_EQ(ValueOn("\"[\" + LTRIM(\" \t x \") + \"|\" + ALLTRIM(\"  y  \") + \"|\" + RTRIM(\" z \") + \"]\""),
            "[x |y| z]");
  EXPECT_EQ(ValueOn("PADL(\"abcdef\", 10, \"12\") + PADR(\"ab\", 4) + PADC(\"ab\", 5, \"*\") + PADL(\"abcdef\", 5)"),
            "1111abcdefab  *ab**abcde");
  EXPECT_EQ(ValueOn("PADL(10.2, 5) + PADR(KDNR, 8, \"-\") + PADR({^1984-03-25}, 10)"), " 10.2123-----03/25/84  ");
  EXPECT_EQ(ValueOn("PADR(\"ab\", 4, \"\")"), std::string("ab\0\0", 4));
  EXPECT_EQ(ValueOn("REPLICATE(\"ab\", 3) + SPACE(2) + REPLICATE(\"x\", -1) + \"|\""), "ababab  |");
  EXPECT_EQ(ValueOn("CHR(65) + CHR(-65) + CHR(66.6) + CHR(321)"), "A\xBF" "BA");
  EXPECT_EQ(ValueOn("STR(ASC(NAME)) + STR(ASC(\"\"))"), "        77         0");
  EXPECT_EQ(ValueOn("EMPTY(\" \t\r\n\") .AND. !EMPTY(NAME) .AND. EMPTY(0) .AND. EMPTY(.F.)"), ".T.");
  EXPECT_EQ(ValueOn("IF(KDNR > 100, \"gross\", \"klein\")"), "gross");
  EXPECT_EQ(ValueOn("'einfach' + [eckig]"), "einfacheckig");
}

TEST(ExpressionValueTest, CaseMapsAsciiUnlessTheCodePageGivesOne) {
  EXPECT_EQ(ValueOn("UPPER(\"m\xFC" "ller\") + LOWER(\"\xC4Z\")"), "M\xFC" "LLER\xC4z");
  // Every byte but the quote, in words of eight and a tail: only a to z change.
  std::string all, upperAll;
  for (int b = 0x20; b < 0x100; ++b) {
    if (b == '"') continue;
    all += char(b);
    upperAll += char(b >= 'a' && b <= 'z' ? b - 32 : b);
  }
  EXPECT_EQ(ValueOn("UPPER(\"" + all + "\")"), upperAll);
  CaseMap upper;
  for (int i = 0; i < 256; ++i) upper[i] = static_cast<unsigned char>(i >= 'a' && i <= 'z' ? i - 32 : i);
  upper[0xFC] = 0xDC;  // ü → Ü in Windows-1252
  CompileOptions options;
  options.UpperMap = &upper;
  EXPECT_EQ(ValueOn("UPPER(\"m\xFC" "ller\")", options), "M\xDC" "LLER");
}

// With SET EXACT OFF (Harbour's regression tests): = compares as far as the right side goes,
// == compares the whole texts.
TEST(ExpressionValueTest, EqualsComparesTextsAsFarAsTheRightSideGoes) {
  const std::pair<const char*, const char*> cases[] = {
      {"\"ABC\" = \"\"", ".T."},       {"\"ABC\" == \"\"", ".F."},     {"\"\" = \"ABC\"", ".F."},
      {"\"ABCD\" = \"ABC\"", ".T."},   {"\"ABC\" = \"ABCD\"", ".F."},  {"\"ABC\" = \"ABC \"", ".F."},
      {"\"ABC \" = \"ABC\"", ".T."},   {"\"ABC \" == \"ABC\"", ".F."}, {"\"ABC\" < \"ABC \"", ".T."},
      {"\"ABCD\" < \"ABC\"", ".F."},   {"\"ABCD\" > \"ABC\"", ".F."},  {"\"ABCD\" >= \"ABC\"", ".T."},
      {"\"ABC\" <= \"\"", ".T."},      {"\"ABC\" < \"\"", ".F."},      {"\"\" < \"ABC\"", ".T."},
      {"\"ABC\" != \"\"", ".F."},      {"\"ABC\" # \"ABD\"", ".T."},   {"\"ABC\" <> \"ABC\"", ".F."},
      {"\" \" < \"ABC\"", ".T."},      {"\"DEF\" > \"ABCD\"", ".T."},  {"NAME = \"Mei\"", ".T."},
      {"NAME == \"Meier\"", ".F."},    {"\"ei\" $ NAME", ".T."},       {"\"\" $ NAME", ".T."},
      {"\"x\" $ NAME", ".F."},         {"BETRAG < 0 .AND. KDNR == 123", ".T."},
      {".F. < .T. .AND. DATUM >= {^2024-01-31}", ".T."},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(ValueOn(text), expected) << text;
}

// DESCEND as Clipper and Harbour define it: each byte 256 - c (a zero byte stays zero), the
// negative of a number, 5231808 minus a date's Julian day, the opposite of a logical.
TEST(ExpressionValueTest, DescendTurnsTheOrderRound) {
  EXPECT_EQ(ValueOn("DESCEND(\"A\" + CHR(0) + CHR(1) + CHR(255) + CHR(128))"),
            std::string("\xBF\x00\xFF\x01\x80", 5));
  EXPECT_EQ(ValueOn("DESCEND(KDNR)"), "  -123");
  EXPECT_EQ(ValueOn("DESCEND({^2000-01-01})"), "   2780263");
  EXPECT_EQ(ValueOn("DESCEND(LEER)"), "   5231808");
  EXPECT_EQ(ValueOn("DESCEND(AKTIV)"), ".F.");
  EXPECT_EQ(ValueOn("DESC(NAME) < DESC(\"Meiea\")"), ".T.");
}

TEST(ExpressionValueTest, DeletedRecordsAndRecordNumbersComeFromTheView) {
  TestRecord record;
  record.Bytes[0] = '*';
  record.View.Bind(record.Bytes.data(), 7);
  std::unique_ptr<Expression> e = Compiled("IIF(DELETED(), RECNO() * 10, 0)");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->EvalNumber(record.View), 70);
  EXPECT_EQ(e->Evaluate(record.View), Value(70.0));
}

}  // namespace
}  // namespace fw::expr::test
