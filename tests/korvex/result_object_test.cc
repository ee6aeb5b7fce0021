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
  ResultObject result, checked, clean;
  result.SetValue("ADDRESSID", rt::Variant(std::int32_t{17}));
  EXPECT_TRUE(result.Succeeded());  // values are not messages
  result.AddMessage("SLBBR0004");
  checked.AddMessageWithParameter("SLBGE1106", "CREDITCARDNUMBER");
  checked.AddMessage("SLBBR0004");  // the same code may appear twice
  result.Append(checked);
  result.Append(clean);
  EXPECT_FALSE(result.Succeeded());
  EXPECT_TRUE(clean.Succeeded());

  const auto& list = result.MessageList();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].code, "SLBBR0004");
  EXPECT_FALSE(list[0].parameter.has_value());
  EXPECT_EQ(list[1].parameter, "CREDITCARDNUMBER");
  EXPECT_EQ(list[2].code, "SLBBR0004");
  result.Append(result);
  EXPECT_EQ(result.MessageList().size(), 6u);
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
  const rt::Array& list = messages.AsArray();
  EXPECT_EQ(list.LBound(), 0);
  ASSERT_EQ(list.items.size(), 2u);
  EXPECT_EQ(list.At(0).AsArray().At(0).AsString(), "SLBBR0001");
  EXPECT_TRUE(list.At(0).AsArray().At(1).IsEmpty());
  EXPECT_EQ(list.At(1).AsArray().At(1).AsString(), "P");

  auto values = Call(*result, "Values").As<rt::Dictionary>();
  EXPECT_EQ(values, result->Values());  // the dictionary itself, not a copy
  EXPECT_EQ(values->Item(rt::Variant("BUSINESSPARTNERID")).AsLong(), 5);
}

}  // namespace
}  // namespace korvo::korvex
