#include "core/platform/CodePage.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

TEST(CodePageTest, UmlautsAndTheWindowsRangeRoundTrip) {
  const std::string cp1252 = "\xc4\xd6\xdc\xe4\xf6\xfc\xdf \x80 \x96";  // ÄÖÜäöüß € –
  const std::string utf8 = Cp1252ToUtf8(cp1252);
  EXPECT_EQ(utf8, "ÄÖÜäöüß € –");
  EXPECT_EQ(Utf8ToCp1252(utf8), cp1252);
  for (int c = 0; c < 256; ++c) {
    const std::string one(1, char(c));
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), one) << c;
  }
}

TEST(CodePageTest, WhatWindows1252CannotHoldBecomesAQuestionMark) {
  EXPECT_EQ(Utf8ToCp1252("Łódź"), "?\xf3" "d?");
  EXPECT_EQ(Utf8ToCp1252("\xff\xfe"), "\xff\xfe");  // not UTF-8: bytes kept
}

TEST(CodePageTest, RecognisesUtf8Text) {
  EXPECT_TRUE(IsUtf8WithNonAscii("Müller"));
  EXPECT_FALSE(IsUtf8WithNonAscii("Mueller"));
  EXPECT_FALSE(IsUtf8WithNonAscii("M\xfcller"));
  EXPECT_FALSE(IsUtf8WithNonAscii("\xed\xa0\x80"));  // a surrogate is no UTF-8
}

}  // namespace
}  // namespace fw
