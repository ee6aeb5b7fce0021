// Korvex.ResultObject: messages in order, values, and the calls by name.
#include "platform/korvex/result_object.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace korvo::korvex {
namespace {

rt::Variant Call(rt::Object& object, std::string_view member, std::vector<rt::Variant> args = {}) {
  return object.Invoke(member, rt::InvokeKind::Method, args);
}

TEST(ResultObject, KeepsMessagesInOrderAndSucceedsOnlyWithoutThem) {
  ResultObject result;
  EXPECT_TRUE(result.Succeeded());
  result.AddMessage("SLBBR0004");
  result.AddMessageWithParameter("SLBGE1106", "CREDITCARDNUMBER");
  result.AddMessage("SLBBR0004");  // the same code may appear twice
  EXPECT_FALSE(result.Succeeded());

  ASSERT_EQ(result.MessageList().size(), 3u);
  EXPECT_EQ(result.MessageList()[0].code, "SLBBR0004");
  EXPECT_FALSE(result.MessageList()[0].parameter.has_value());
  EXPECT_EQ(result.MessageList()[1].parameter, "CREDITCARDNUMBER");
  EXPECT_EQ(result.MessageList()[2].code, "SLBBR0004");
}

TEST(ResultObject, AppendCopiesTheOtherResultsMessagesAfterItsOwn) {
  ResultObject result, checked, clean;
  result.AddMessage("SLBCO0001");
  checked.AddMessage("SLBCO0002");
  checked.AddMessage("SLBCO0003");
  result.Append(checked);
  result.Append(clean);
  ASSERT_EQ(result.MessageList().size(), 3u);
  EXPECT_EQ(result.MessageList()[2].code, "SLBCO0003");
  EXPECT_EQ(checked.MessageList().size(), 2u);  // the source keeps its own

  result.Append(result);
  EXPECT_EQ(result.MessageList().size(), 6u);
  EXPECT_TRUE(clean.Succeeded());
}

TEST(ResultObject, ValuesAreOneSharedDictionary) {
  ResultObject result;
  result.SetValue("ADDRESSID", rt::Variant(std::int32_t{17}));
  result.SetValue("ADDRESSID", rt::Variant(std::int32_t{18}));
  rt::DictionaryRef values = result.Values();
  EXPECT_EQ(values->Count(), 1);
  EXPECT_EQ(values->Item(rt::Variant("ADDRESSID")).AsLong(), 18);
  EXPECT_EQ(result.Values(), values);
  EXPECT_TRUE(result.Succeeded());  // values are not messages
}

TEST(ResultObject, IsCallableByName) {
  auto result = std::make_shared<ResultObject>();
  auto other = std::make_shared<ResultObject>();
  Call(*result, "AddMessage", {rt::Variant("SLBBR0001")});
  Call(*other, "AddMessageWithParameter", {rt::Variant("SLBBR0002"), rt::Variant("P")});
  Call(*result, "Append", {rt::Variant(other)});
  Call(*result, "SetValue", {rt::Variant("BUSINESSPARTNERID"), rt::Variant(std::int32_t{5})});
  EXPECT_FALSE(Call(*result, "Succeeded").AsBool());

  const rt::Variant messages = Call(*result, "Messages");
  ASSERT_TRUE(messages.IsArray());
  const rt::Array& list = messages.AsArray();
  EXPECT_EQ(list.LBound(), 0);
  ASSERT_EQ(list.items.size(), 2u);
  EXPECT_EQ(list.At(0).AsArray().At(0).AsString(), "SLBBR0001");
  EXPECT_TRUE(list.At(0).AsArray().At(1).IsEmpty());
  EXPECT_EQ(list.At(1).AsArray().At(1).AsString(), "P");

  auto values = Call(*result, "Values").As<rt::Dictionary>();
  ASSERT_TRUE(values);
  EXPECT_EQ(values->Item(rt::Variant("BUSINESSPARTNERID")).AsLong(), 5);
}

TEST(ResultObject, AppendByNameRefusesNothingAndForeignObjects) {
  ResultObject result;
  try {
    Call(result, "Append", {rt::Variant::Nothing()});
    FAIL() << "nothing raised";
  } catch (const rt::Error& raised) {
    EXPECT_EQ(raised.number(), rt::errnum::kObjectNotSet);
  }
  try {
    Call(result, "Append", {rt::Variant(rt::Dictionary::Create())});
    FAIL() << "nothing raised";
  } catch (const rt::Error& raised) {
    EXPECT_EQ(raised.number(), rt::errnum::kTypeMismatch);
  }
  EXPECT_TRUE(result.Succeeded());
}

}  // namespace
}  // namespace korvo::korvex
