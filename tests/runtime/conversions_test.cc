#include "platform/runtime/conversions.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/runtime/dictionary.h"
#include "platform/runtime/error.h"
#include "raises.h"

namespace korvo::rt {
namespace {

using testing::RaisedNumber;

TEST(TextFormTest, NumbersBooleansAndEmpty) {
  EXPECT_EQ(CStr(Variant()), "");
  EXPECT_EQ(CStr(Variant(true)), "True");
  EXPECT_EQ(CStr(Variant(false)), "False");
  EXPECT_EQ(CStr(Variant(std::int16_t{-12})), "-12");
  EXPECT_EQ(CStr(Variant(std::uint8_t{255})), "255");
  EXPECT_EQ(CStr(Variant(1.95583)), "1.95583");
  EXPECT_EQ(CStr(Variant(0.1 + 0.2)), "0.3");  // 15 significant digits
  EXPECT_EQ(CStr(Variant(-0.0)), "0");
  EXPECT_EQ(CStr(Variant(1e20)), "1E+20");
  EXPECT_EQ(CStr(Variant(0.0001)), "0.0001");
  EXPECT_EQ(CStr(Variant(0.00001)), "1E-05");
  EXPECT_EQ(CStr(Variant(999999999999999.0)), "999999999999999");
  EXPECT_EQ(CStr(Variant(123456789012345678.0)), "1.23456789012346E+17");
  EXPECT_EQ(CStr(Variant(0.1f)), "0.1");  // 7 significant digits for singles
  EXPECT_EQ(CStr(Variant(Money::FromUnits(887517))), "88.7517");
  EXPECT_EQ(CStr(Variant(Money::FromUnits(100000))), "10");
  EXPECT_EQ(CStr(Variant(Money::FromUnits(-5000))), "-0.5");
  EXPECT_EQ(CStr(Variant(Money::FromUnits(INT64_MIN))), "-922337203685477.5808");
}

TEST(TextFormTest, NullAndObjectsDoNotConvert) {
  EXPECT_EQ(RaisedNumber([] { CStr(Variant::Null()); }), errnum::kInvalidUseOfNull);
  EXPECT_EQ(RaisedNumber([] { CStr(Variant(Dictionary::Create())); }), errnum::kTypeMismatch);
  EXPECT_EQ(RaisedNumber([] { CStr(Variant(Array())); }), errnum::kTypeMismatch);
}

TEST(IntegerConversionTest, RoundsHalfToEven) {
  EXPECT_EQ(CInt(Variant(2.5)), 2);
  EXPECT_EQ(CInt(Variant(3.5)), 4);
  EXPECT_EQ(CInt(Variant(-2.5)), -2);
  EXPECT_EQ(CInt(Variant(2.5000001)), 3);
  EXPECT_EQ(CLng(Variant(Money::FromUnits(15000))), 2);  // 1.5
  EXPECT_EQ(CByte(Variant(-0.4)), 0);
  EXPECT_EQ(CInt(Variant("12")), 12);
  EXPECT_EQ(CInt(Variant(" -7.5 ")), -8);
  EXPECT_EQ(CLng(Variant()), 0);
  EXPECT_EQ(CLng(Variant(true)), -1);
  EXPECT_EQ(CLng(Variant("&HFFFF")), -1);
  EXPECT_EQ(CLng(Variant("&H10000")), 65536);
}

TEST(IntegerConversionTest, RaisesOverflowMismatchAndNull) {
  EXPECT_EQ(RaisedNumber([] { CInt(Variant(32767.5)); }), errnum::kOverflow);
  EXPECT_EQ(RaisedNumber([] { CInt(Variant(-32768.5)); }), 0);  // ties to -32768
  EXPECT_EQ(RaisedNumber([] { CByte(Variant(256.0)); }), errnum::kOverflow);
  EXPECT_EQ(RaisedNumber([] { CByte(Variant(-1.0)); }), errnum::kOverflow);
  EXPECT_EQ(RaisedNumber([] { CLng(Variant(2147483648.0)); }), errnum::kOverflow);
  EXPECT_EQ(RaisedNumber([] { CLng(Variant("1e400")); }), errnum::kOverflow);
  EXPECT_EQ(RaisedNumber([] { CInt(Variant("abc")); }), errnum::kTypeMismatch);
  EXPECT_EQ(RaisedNumber([] { CInt(Variant("")); }), errnum::kTypeMismatch);
  EXPECT_EQ(RaisedNumber([] { CInt(Variant::Missing()); }), errnum::kTypeMismatch);
  EXPECT_EQ(RaisedNumber([] { CLng(Variant::Null()); }), errnum::kInvalidUseOfNull);
}

TEST(FloatingConversionTest, DatesMoneyAndTexts) {
  EXPECT_DOUBLE_EQ(CDbl(Variant(Date{45358.5})), 45358.5);
  EXPECT_DOUBLE_EQ(CDbl(Variant(Money::FromUnits(887517))), 88.7517);
  EXPECT_DOUBLE_EQ(CDbl(Variant("1.5E3")), 1500.0);
  EXPECT_DOUBLE_EQ(CDbl(Variant("2D2")), 200.0);
  EXPECT_FLOAT_EQ(CSng(Variant(1.5)), 1.5f);
  EXPECT_EQ(RaisedNumber([] { CSng(Variant(1e39)); }), errnum::kOverflow);
  EXPECT_EQ(RaisedNumber([] { CDbl(Variant("1.2.3")); }), errnum::kTypeMismatch);
  EXPECT_EQ(RaisedNumber([] { CDbl(Variant::Null()); }), errnum::kInvalidUseOfNull);
}

TEST(CurrencyConversionTest, RoundsToFourDecimalsHalfToEven) {
  EXPECT_EQ(CCur(Variant(0.03125)).units, 312);
  EXPECT_EQ(CCur(Variant(0.09375)).units, 938);
  EXPECT_EQ(CCur(Variant(-0.03125)).units, -312);
  EXPECT_EQ(CCur(Variant("88.7517")).units, 887517);
  EXPECT_EQ(CCur(Variant(std::int32_t{-3})).units, -30000);
  EXPECT_EQ(MoneyFromDouble(-922337203685477.5808).units, INT64_MIN);
  EXPECT_EQ(RaisedNumber([] { MoneyFromDouble(922337203685477.5808); }), errnum::kOverflow);
  EXPECT_EQ(RaisedNumber([] { MoneyFromDouble(1.0 / 0.0); }), errnum::kOverflow);
  EXPECT_EQ(RaisedNumber([] { CCur(Variant("x")); }), errnum::kTypeMismatch);
}

TEST(BooleanConversionTest, TextsAndNumbers) {
  EXPECT_TRUE(CBool(Variant("True")));
  EXPECT_FALSE(CBool(Variant("false")));
  EXPECT_TRUE(CBool(Variant("-1")));
  EXPECT_FALSE(CBool(Variant("0")));
  EXPECT_TRUE(CBool(Variant(0.5)));
  EXPECT_FALSE(CBool(Variant()));
  EXPECT_EQ(RaisedNumber([] { CBool(Variant("abc")); }), errnum::kTypeMismatch);
  EXPECT_EQ(RaisedNumber([] { CBool(Variant::Null()); }), errnum::kInvalidUseOfNull);
}

TEST(KindTest, IsNumericIsDateAndTypeName) {
  EXPECT_TRUE(IsNumeric(Variant(" 1.5e2 ")));
  EXPECT_TRUE(IsNumeric(Variant("&H1F")));
  EXPECT_TRUE(IsNumeric(Variant()));
  EXPECT_TRUE(IsNumeric(Variant(true)));
  EXPECT_FALSE(IsNumeric(Variant("1,5")));
  EXPECT_FALSE(IsNumeric(Variant("")));
  EXPECT_FALSE(IsNumeric(Variant::Null()));
  EXPECT_FALSE(IsNumeric(Variant(Date{1.0})));
  EXPECT_TRUE(IsDate(Variant("3/7/2024")));
  EXPECT_TRUE(IsDate(Variant(Date{0.0})));
  EXPECT_FALSE(IsDate(Variant("2/30/2024")));
  EXPECT_FALSE(IsDate(Variant(45000.0)));

  EXPECT_EQ(TypeName(Variant(std::int16_t{1})), "Integer");
  EXPECT_EQ(TypeName(Variant(1)), "Long");
  EXPECT_EQ(TypeName(Variant(Money{})), "Currency");
  EXPECT_EQ(TypeName(Variant::Nothing()), "Nothing");
  EXPECT_EQ(TypeName(Variant(Dictionary::Create())), "Dictionary");
  EXPECT_EQ(TypeName(Variant(Array())), "Variant()");
  EXPECT_EQ(TypeName(Variant::Missing()), "Error");
}

TEST(CompareTest, NumbersAcrossKindsTextsAndNull) {
  EXPECT_EQ(Compare(Variant(std::int16_t{1}), Variant(1.0)), 0);
  EXPECT_EQ(Compare(Variant(Money::FromUnits(10000)), Variant(std::uint8_t{1})), 0);
  EXPECT_EQ(Compare(Variant(true), Variant(-1)), 0);
  EXPECT_EQ(Compare(Variant(2), Variant(Money::FromUnits(15000))), 1);
  EXPECT_EQ(Compare(Variant(Date{2.0}), Variant(1.5)), 1);
  EXPECT_EQ(Compare(Variant(), Variant(0)), 0);
  EXPECT_EQ(Compare(Variant(), Variant("")), 0);
  EXPECT_EQ(Compare(Variant(), Variant("a")), -1);
  EXPECT_EQ(Compare(Variant("a"), Variant("B")), 1);  // binary: "B" < "a"
  EXPECT_EQ(Compare(Variant("é"), Variant("z")), 1);  // code point order
  EXPECT_EQ(Compare(Variant(1), Variant("1")), -1);   // a number sorts before a text
  EXPECT_EQ(Compare(Variant("1"), Variant(99)), 1);
  EXPECT_FALSE(Equals(Variant(1), Variant("1")));
  EXPECT_EQ(Compare(Variant::Null(), Variant(1)), std::nullopt);
  EXPECT_EQ(Compare(Variant::Null(), Variant::Null()), std::nullopt);
  EXPECT_FALSE(Equals(Variant::Null(), Variant::Null()));
  EXPECT_EQ(RaisedNumber([] { Compare(Variant(Dictionary::Create()), Variant(1)); }),
            errnum::kTypeMismatch);
}

TEST(TextHelperTest, CharacterSemantics) {
  EXPECT_EQ(Len("héllo"), 5);
  EXPECT_EQ(Len("日本"), 2);
  EXPECT_EQ(Len("\xff"), 1);  // a malformed byte is one character
  EXPECT_EQ(UCase("straße"), "STRASSE");
  EXPECT_EQ(UCase("Rate factor_1"), "RATE FACTOR_1");
  // UCaseEquals answers what comparing UCase's result would, also where
  // upper-casing changes the length or maps a letter outside ASCII.
  EXPECT_TRUE(UCaseEquals("CurrencyCode", "CURRENCYCODE"));
  EXPECT_FALSE(UCaseEquals("CurrencyCode", "currencycode"));
  EXPECT_FALSE(UCaseEquals("CurrencyCod", "CURRENCYCODE"));
  EXPECT_TRUE(UCaseEquals("straße", "STRASSE"));
  EXPECT_TRUE(
      UCaseEquals("currencyc\xc4\xb1"
                  "de",
                  "CURRENCYCIDE"));  // dotless i upper-cases to I
  EXPECT_EQ(LCase("EURO-Rate [2]"), "euro-rate [2]");
  EXPECT_EQ(LCase("ÄÖÜ Kg"), "äöü kg");
  EXPECT_EQ(Trim("  a b  "), "a b");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_TRUE(TextEqualsNoCase("KorvoCommon.Currency", "korvocommon.CURRENCY"));
  EXPECT_TRUE(TextEqualsNoCase("Straße", "STRASSE"));
  EXPECT_FALSE(TextEqualsNoCase("Item", "Items"));
}

}  // namespace
}  // namespace korvo::rt
