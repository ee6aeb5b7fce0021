// Field checks of the business rules: presence, ranges, lengths, exact
// variant kinds and credit-card numbers.
#include "infrastructure/validate.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "infrastructure/components.h"
#include "platform/contracts/result_object.h"
#include "platform/korvex/register.h"
#include "platform/runtime/date.h"
#include "platform/runtime/error.h"

namespace korvo::infra {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::vector<std::string> Messages(const rt::ObjectRef& result) {
  std::vector<std::string> out;
  for (const auto& m : std::dynamic_pointer_cast<contracts::ResultObject>(result)->MessageList()) {
    out.push_back(m.parameter ? m.code + ":" + *m.parameter : m.code);
  }
  return out;
}

// A data object as the rules receive it.
rt::DictionaryRef Data(std::initializer_list<std::pair<const char*, rt::Variant>> entries) {
  auto data = rt::Dictionary::Create();
  for (const auto& [key, value] : entries) data->Add(rt::Variant(key), value);
  return data;
}

std::int32_t ErrorNumber(const std::function<void()>& call) {
  try {
    call();
  } catch (const rt::Error& e) {
    return e.number();
  }
  return 0;
}

class ValidateTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { korvex::RegisterClasses(); }
};

TEST_F(ValidateTest, IsFilledFollowsTheRequiredTable) {
  rt::DictionaryRef data = Data({{"NULL", rt::Variant::Null()},
                                 {"EMPTY", rt::Variant()},
                                 {"BLANKS", "   "},
                                 {"ZERO", std::int32_t{0}},
                                 {"TEXT", " x "}});
  EXPECT_TRUE(Val_IsFilled(*data, "ABSENT"));
  EXPECT_TRUE(Val_IsFilled(*data, "ABSENT", false));
  EXPECT_FALSE(Val_IsFilled(*data, "ABSENT", true));
  for (const char* field : {"NULL", "EMPTY"}) {
    EXPECT_FALSE(Val_IsFilled(*data, field)) << field;
    EXPECT_TRUE(Val_IsFilled(*data, field, false)) << field;
    EXPECT_FALSE(Val_IsFilled(*data, field, true)) << field;
  }
  EXPECT_FALSE(Val_IsFilled(*data, "BLANKS", false));
  EXPECT_TRUE(Val_IsFilled(*data, "ZERO", true));
  EXPECT_TRUE(Val_IsFilled(*data, "TEXT", true));
  EXPECT_FALSE(data->Exists(rt::Variant("ABSENT"))) << "a check must not add the field";
}

TEST_F(ValidateTest, IsPercentageAcceptsZeroToHundredInclusive) {
  rt::DictionaryRef data = Data({{"HUNDRED", std::int16_t{100}},
                                 {"ABOVE", 100.01},
                                 {"NEGATIVE", -0.5},
                                 {"WORD", "abc"},
                                 {"NUMERIC_TEXT", "12.5"},
                                 {"NULL", rt::Variant::Null()},
                                 {"ZERO", 0.0}});
  EXPECT_TRUE(Val_IsPercentage(*data, "HUNDRED"));
  EXPECT_TRUE(Val_IsPercentage(*data, "ZERO"));
  EXPECT_FALSE(Val_IsPercentage(*data, "ABOVE"));
  EXPECT_FALSE(Val_IsPercentage(*data, "NEGATIVE"));
  EXPECT_FALSE(Val_IsPercentage(*data, "WORD"));
  EXPECT_TRUE(Val_IsPercentage(*data, "NUMERIC_TEXT"));
  EXPECT_TRUE(Val_IsPercentage(*data, "NULL"));
  EXPECT_TRUE(Val_IsPercentage(*data, "ABSENT"));
}

TEST_F(ValidateTest, IsWithinLengthCountsCharactersAndRefusesNull) {
  rt::DictionaryRef data = Data({{"CODE", "EUR"},
                                 {"UMLAUTS", "\xC3\xA4\xC3\xB6\xC3\xBC"},
                                 {"NUMBER", std::int32_t{12345}},
                                 {"NULL", rt::Variant::Null()}});
  EXPECT_TRUE(Val_IsWithinLength(*data, "CODE", 3));
  EXPECT_FALSE(Val_IsWithinLength(*data, "CODE", 2));
  EXPECT_TRUE(Val_IsWithinLength(*data, "UMLAUTS", 3));
  EXPECT_FALSE(Val_IsWithinLength(*data, "NUMBER", 4));
  EXPECT_TRUE(Val_IsWithinLength(*data, "ABSENT", 0));
  EXPECT_EQ(ErrorNumber([&] { Val_IsWithinLength(*data, "NULL", 10); }), rt::errnum::kInvalidUseOfNull);
}

TEST_F(ValidateTest, IsPhoneNumberNeedsTwoDigits) {
  rt::DictionaryRef data = Data({{"NULL", rt::Variant::Null()},
                                 {"EMPTY", ""},
                                 {"ONE", "+1"},
                                 {"TWO", "a1-b2"},
                                 {"BLANKS", "   "},
                                 {"LONG", std::int32_t{4930}}});
  EXPECT_TRUE(Val_IsPhoneNumber(*data, "ABSENT", true));
  EXPECT_FALSE(Val_IsPhoneNumber(*data, "NULL", true));
  EXPECT_TRUE(Val_IsPhoneNumber(*data, "NULL", false));
  EXPECT_FALSE(Val_IsPhoneNumber(*data, "EMPTY", true));
  EXPECT_FALSE(Val_IsPhoneNumber(*data, "ONE", false));
  EXPECT_TRUE(Val_IsPhoneNumber(*data, "TWO", true));
  EXPECT_FALSE(Val_IsPhoneNumber(*data, "BLANKS", false));
  EXPECT_TRUE(Val_IsPhoneNumber(*data, "LONG", true));
}

TEST_F(ValidateTest, TypedChecksWantTheExactKind) {
  rt::DictionaryRef data = Data({{"BOOL", true},
                                 {"BYTE", std::uint8_t{1}},
                                 {"DOUBLE", 1.5},
                                 {"INT", std::int16_t{1}},
                                 {"LONG", std::int32_t{1}},
                                 {"SINGLE", 1.5f},
                                 {"TEXT", "1.5"},
                                 {"NULL", rt::Variant::Null()}});
  EXPECT_TRUE(Val_IsNullOrBoolean(*data, "BOOL"));
  EXPECT_TRUE(Val_IsNullOrByte(*data, "BYTE"));
  EXPECT_TRUE(Val_IsNullOrDouble(*data, "DOUBLE"));
  EXPECT_TRUE(Val_IsNullOrInteger(*data, "INT"));
  EXPECT_TRUE(Val_IsNullOrLong(*data, "LONG"));
  EXPECT_TRUE(Val_IsNullOrSingle(*data, "SINGLE"));
  EXPECT_TRUE(Val_IsNullOrString(*data, "TEXT"));

  EXPECT_FALSE(Val_IsNullOrLong(*data, "INT")) << "a 16-bit integer is not a Long";
  EXPECT_FALSE(Val_IsNullOrDouble(*data, "TEXT")) << "a numeric text is not a Double";
  EXPECT_FALSE(Val_IsNullOrDouble(*data, "SINGLE"));
  EXPECT_FALSE(Val_IsNullOrBoolean(*data, "LONG"));
  EXPECT_TRUE(Val_IsNullOrByte(*data, "NULL"));
  EXPECT_TRUE(Val_IsNullOrString(*data, "ABSENT"));
}

TEST_F(ValidateTest, GetFieldTypeTakesTheFirstExactMatch) {
  const rt::Array names({"RATE", "rate", "RATE"});
  const rt::Array types({"Double", "String", "Long"});
  EXPECT_EQ(Val_GetFieldType("RATE", names, types), "Double");
  EXPECT_EQ(Val_GetFieldType("rate", names, types), "String");
  EXPECT_EQ(Val_GetFieldType("Rate", names, types), "");
}

TEST_F(ValidateTest, CheckDataTypesReportsEveryFailingFieldByName) {
  const rt::Array names({"RATE", "CODE", "EFFECTIVEDATE", "FLAG"});
  const rt::Array types({"Double", "String", "Date", "Boolean"});
  rt::DictionaryRef data = Data({{"RATE", std::int32_t{2}},
                                 {"CODE", "EUR"},
                                 {"EFFECTIVEDATE", "not a date"},
                                 {"FLAG", std::int16_t{1}},
                                 {"UNDECLARED", rt::Array()}});
  EXPECT_THAT(Messages(Val_CheckDataTypes(*data, names, types)),
              ElementsAre("SLBBR9000:RATE", "SLBBR9000:FLAG"));

  rt::DictionaryRef clean = Data({{"RATE", 1.25}, {"CODE", rt::Variant::Null()}});
  EXPECT_THAT(Messages(Val_CheckDataTypes(*clean, names, types)), IsEmpty());
}

class CreditCardTest : public ValidateTest {
 protected:
  static rt::Variant Expiry() { return *rt::MakeDate({.year = 2030, .month = 6, .day = 30}); }

  static std::vector<std::string> Check(std::int16_t type, const std::string& number,
                                        const rt::Variant& expiry = Expiry()) {
    rt::ObjectRef result = Gen_GetComponent("Korvex.ResultObject");
    Val_CreditCardNumber(type, number, expiry, result);
    return Messages(result);
  }
};

TEST_F(CreditCardTest, NumbersOfEachCardType) {
  EXPECT_THAT(Check(Visa, "4222222222222"), IsEmpty()) << "13-digit Visa";
  EXPECT_THAT(Check(Visa, "4111111111111111"), IsEmpty());
  EXPECT_THAT(Check(MasterCard, "5555555555554444"), IsEmpty());
  EXPECT_THAT(Check(Amex, "378282246310005"), IsEmpty());
  EXPECT_THAT(Check(MasterCard, "4222222222222"), ElementsAre("SLBGE1100"));
  EXPECT_THAT(Check(Amex, "4111111111111111"), ElementsAre("SLBGE1100"));
  EXPECT_THAT(Check(MasterCard, "5655555555554444"), ElementsAre("SLBGE1102"));
  EXPECT_THAT(Check(Amex, "358282246310005"), ElementsAre("SLBGE1102"));
  EXPECT_THAT(Check(Visa, "4111111111111112"), ElementsAre("SLBGE1103"));
  EXPECT_THAT(Check(Visa, "   "), ElementsAre("SLBGE1106"));
  EXPECT_THAT(Check(Visa, "4111111111111111", rt::Variant()), ElementsAre("SLBGE1107"));
  EXPECT_THAT(Check(OTHER, "x"), IsEmpty());
}

TEST_F(CreditCardTest, NonDigitInTheChecksumIsATypeMismatch) {
  EXPECT_EQ(ErrorNumber([] { Check(Visa, "4111-11111111111"); }), rt::errnum::kTypeMismatch);
}

TEST_F(CreditCardTest, CheckCreditCardReadsTheDataObject) {
  const auto check = [](rt::Dictionary& data) {
    return Messages(Val_CheckCreditCard(data, "CREDITCARDNUMBER", "CREDITCARDTYPE", "CREDITCARDEXPIRY"));
  };
  rt::DictionaryRef noType = Data({{"CREDITCARDNUMBER", rt::Variant::Null()}});
  EXPECT_THAT(check(*noType), IsEmpty());

  rt::DictionaryRef other = Data({{"CREDITCARDTYPE", std::int32_t{OTHER}},
                                  {"CREDITCARDNUMBER", rt::Variant::Null()},
                                  {"CREDITCARDEXPIRY", rt::Variant::Null()}});
  EXPECT_THAT(check(*other), IsEmpty());

  rt::DictionaryRef nulls = Data({{"CREDITCARDTYPE", std::int16_t{Visa}},
                                  {"CREDITCARDNUMBER", rt::Variant::Null()},
                                  {"CREDITCARDEXPIRY", rt::Variant::Null()}});
  EXPECT_THAT(check(*nulls), ElementsAre("SLBGE1104", "SLBGE1105"));

  rt::DictionaryRef badExpiry =
      Data({{"CREDITCARDTYPE", std::int16_t{OTHER}}, {"CREDITCARDEXPIRY", "soon"}});
  EXPECT_THAT(check(*badExpiry), ElementsAre("SLBGE1108"));

  rt::DictionaryRef noNumber = Data({{"CREDITCARDTYPE", "1"}, {"CREDITCARDEXPIRY", "6/30/2030"}});
  EXPECT_THAT(check(*noNumber), ElementsAre("SLBGE1106"));
  ASSERT_TRUE(noNumber->Exists(rt::Variant("CREDITCARDNUMBER"))) << "reading adds the absent field";
  EXPECT_TRUE(noNumber->Item(rt::Variant("CREDITCARDNUMBER")).IsEmpty());

  rt::DictionaryRef valid = Data({{"CREDITCARDTYPE", std::int16_t{Amex}},
                                  {"CREDITCARDNUMBER", "378282246310005"},
                                  {"CREDITCARDEXPIRY", Expiry()}});
  EXPECT_THAT(check(*valid), IsEmpty());
}

}  // namespace
}  // namespace korvo::infra
