#include <gtest/gtest.h>

#include "core/fields/RuleSource.h"

namespace fw {
namespace {

// The resolver's spelling rules: "-LEER-" and "Random" only exactly, built-in sources without
// regard to case, blank as the default word list, trailing blanks (a DBF field's padding) cut.
TEST(RuleSourceTest, ResolvesEachKindByItsSpelling) {
  EXPECT_EQ(ResolveSource("-LEER-   ").Kind, SourceKind::Empty);
  EXPECT_EQ(ResolveSource("Random").Kind, SourceKind::RandomText);
  EXPECT_EQ(ResolveSource("random").Kind, SourceKind::WordList);  // a word file random.txt
  const RuleSource postcode = ResolveSource("postleitzahl ");
  EXPECT_EQ(postcode.Kind, SourceKind::Generated);
  EXPECT_EQ(postcode.Builtin, Generated::Postcode);
  EXPECT_EQ(postcode.Name, "postleitzahl");
  EXPECT_EQ(ResolveSource("   ").WordListName(), "Worte");
  EXPECT_EQ(ResolveSource("Namen").WordListName(), "Namen");
}

// What the source picker uses to find the row of a cell's source.
TEST(RuleSourceTest, SameSourceFollowsTheResolver) {
  EXPECT_TRUE(SameSource("Postleitzahl", "POSTLEITZAHL"));
  EXPECT_FALSE(SameSource("Postleitzahl", "Ortsname"));
  EXPECT_TRUE(SameSource("", "worte"));
  EXPECT_TRUE(SameSource("Namen ", "namen"));
  EXPECT_FALSE(SameSource("Namen", "Vornamen"));
  EXPECT_FALSE(SameSource("Random", "random"));
  EXPECT_TRUE(SameSource("-LEER-", "-LEER-  "));
  EXPECT_FALSE(SameSource("-LEER-", "-leer-"));
}

}  // namespace
}  // namespace fw
