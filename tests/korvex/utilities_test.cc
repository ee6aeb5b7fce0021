// KorvoLibrary.Utilities: Unicode literals for statements built as text.
#include "platform/utility/utilities.h"

#include <gtest/gtest.h>

namespace korvo::utility {
namespace {

TEST(Utilities, QuotedLiteralsAreMarkedUnicodeOthersAreLeftPlain) {
  Utilities utilities;
  EXPECT_EQ(utilities.SqlValue(rt::Variant("O'Brien")), "N'O''Brien'");
  EXPECT_EQ(utilities.SqlValue(rt::Variant(*rt::MakeDate({2024, 3, 7}))), "N'2024-03-07'");
  EXPECT_EQ(utilities.SqlValue(rt::Variant::Null()), "null");
  EXPECT_EQ(utilities.SqlValue(rt::Variant(true)), "1");
  EXPECT_EQ(utilities.SqlValue(rt::Variant(2.5)), "2.5");
  EXPECT_EQ(utilities.SqlNumber(-42), "-42");
  std::vector<rt::Variant> args{rt::Variant("x'y")};
  EXPECT_EQ(utilities.Invoke("SqlText", rt::InvokeKind::Method, args).AsString(), "N'x''y'");
}

}  // namespace
}  // namespace korvo::utility
