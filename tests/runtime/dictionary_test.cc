#include "platform/runtime/dictionary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/runtime/collection.h"
#include "platform/runtime/conversions.h"
#include "raises.h"

namespace korvo::rt {
namespace {

using testing::RaisedNumber;

std::vector<std::string> Texts(const Array& a) {
  std::vector<std::string> out;
  for (const Variant& v : a.items) out.push_back(CStr(v));
  return out;
}

// Dictionaries are exercised below and above the size where they start
// hashing their keys.
class DictionaryTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    for (int i = 0; i < GetParam(); ++i) dict->Add(Variant("filler" + std::to_string(i)), Variant(i));
  }
  DictionaryRef dict = Dictionary::Create();
};

TEST_P(DictionaryTest, KeysCompareExactly) {
  dict->Add(Variant("EUR"), Variant(1));
  dict->Add(Variant("eur"), Variant(2));  // texts are case-sensitive
  EXPECT_EQ(RaisedNumber([&] { dict->Add(Variant("EUR"), Variant(3)); }), errnum::kKeyAlreadyAssociated);
  dict->Add(Variant(std::int16_t{7}), Variant("seven"));
  EXPECT_TRUE(dict->Exists(Variant(7)));  // Long 7 is Integer 7
  EXPECT_TRUE(dict->Exists(Variant(7.0)));
  EXPECT_TRUE(dict->Exists(Variant(Money::FromUnits(70000))));
  EXPECT_FALSE(dict->Exists(Variant("7")));  // a number never equals a text
  EXPECT_FALSE(dict->Exists(Variant(true)));
  dict->Add(Variant(), Variant("empty"));
  dict->Add(Variant::Null(), Variant("null"));
  EXPECT_FALSE(dict->Exists(Variant(0)));  // Empty is a key of its own
  EXPECT_EQ(CStr(*dict->Find(Variant::Null())), "null");
  EXPECT_EQ(RaisedNumber([&] { dict->Exists(Variant(Array())); }), errnum::kTypeMismatch);
}

TEST_P(DictionaryTest, ItemAddsAbsentKeysAndOrderIsKept) {
  EXPECT_TRUE(dict->Item(Variant("A")).IsEmpty());
  EXPECT_TRUE(dict->Exists(Variant("A")));
  dict->Set(Variant("B"), Variant(2));
  dict->Set(Variant("A"), Variant(1));
  EXPECT_EQ(dict->Find(Variant("C")), nullptr);
  EXPECT_FALSE(dict->Exists(Variant("C")));
  dict->Remove(Variant("A"));
  dict->Set(Variant("A"), Variant(3));
  const std::vector<std::string> keys = Texts(dict->Keys());
  ASSERT_EQ(keys.size(), static_cast<std::size_t>(GetParam() + 2));
  EXPECT_EQ(keys[keys.size() - 2], "B");
  EXPECT_EQ(keys.back(), "A");
  EXPECT_EQ(CStr(dict->Items().items.back()), "3");
  EXPECT_EQ(dict->Keys().LBound(), 0);
  // Every surviving key is still found after the removal shifted positions.
  for (int i = 0; i < GetParam(); ++i) {
    EXPECT_EQ(CLng(*dict->Find(Variant("filler" + std::to_string(i)))), i);
  }
  EXPECT_EQ(RaisedNumber([&] { dict->Remove(Variant("gone")); }), kElementNotFound);
  dict->RemoveAll();
  EXPECT_EQ(dict->Count(), 0);
  EXPECT_FALSE(dict->Exists(Variant("B")));
}

INSTANTIATE_TEST_SUITE_P(Sizes, DictionaryTest, ::testing::Values(0, 7, 15, 200));

Variant Call(Object& o, std::string_view member, std::vector<Variant> args,
             InvokeKind kind = InvokeKind::Method) {
  return o.Invoke(member, kind, args);
}

TEST(DictionaryInvokeTest, LateBoundMembers) {
  Dictionary d;
  Call(d, "add", {Variant("k"), Variant(1)});
  Call(d, "Item", {Variant("k"), Variant(2)}, InvokeKind::PropertyPut);
  EXPECT_EQ(CLng(Call(d, "ITEM", {Variant("k")}, InvokeKind::PropertyGet)), 2);
  EXPECT_TRUE(CBool(Call(d, "Exists", {Variant("k")})));
  EXPECT_EQ(CLng(Call(d, "Count", {}, InvokeKind::PropertyGet)), 1);
  EXPECT_EQ(Texts(Call(d, "Keys", {}).AsArray()), std::vector<std::string>{"k"});
  EXPECT_EQ(Texts(Call(d, "Items", {}).AsArray()), std::vector<std::string>{"2"});
  Call(d, "Remove", {Variant("k")});
  Call(d, "RemoveAll", {});
  EXPECT_EQ(RaisedNumber([&] { Call(d, "Add", {Variant("k")}); }), errnum::kArgumentNotOptional);
  EXPECT_EQ(RaisedNumber([&] {
              Call(d, "Add", {Variant("k"), Variant::Missing()});
            }),
            errnum::kArgumentNotOptional);
  EXPECT_EQ(RaisedNumber([&] { Call(d, "Count", {Variant(1)}); }), errnum::kWrongArgumentCount);
  EXPECT_EQ(RaisedNumber([&] { Call(d, "Sort", {}); }), errnum::kNotSupported);
  EXPECT_EQ(RaisedNumber([&] { Call(d, "Count", {Variant(1)}, InvokeKind::PropertyPut); }),
            errnum::kNotSupported);
}

TEST(CollectionTest, OneBasedWithCaseInsensitiveKeys) {
  Collection c;
  c.Add(Variant("first"));
  c.Add(Variant("second"), "Key");
  EXPECT_EQ(RaisedNumber([&] { c.Add(Variant("third"), "KEY"); }), errnum::kKeyAlreadyAssociated);
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(CStr(c.Item(Variant(1))), "first");
  EXPECT_EQ(CStr(c.Item(Variant("key"))), "second");
  EXPECT_EQ(RaisedNumber([&] { c.Item(Variant(0)); }), errnum::kInvalidProcedureCall);
  EXPECT_EQ(RaisedNumber([&] { c.Item(Variant(3)); }), errnum::kInvalidProcedureCall);
  EXPECT_EQ(RaisedNumber([&] { c.Item(Variant("nokey")); }), errnum::kInvalidProcedureCall);
  c.Remove(Variant(1));
  EXPECT_EQ(CStr(c.Item(Variant(1))), "second");

  Call(c, "Add", {Variant(3), Variant("three")});
  Call(c, "Add", {Variant(4), Variant::Missing()});
  EXPECT_EQ(CLng(Call(c, "Count", {})), 3);
  EXPECT_EQ(CLng(Call(c, "Item", {Variant("THREE")})), 3);
  Call(c, "Remove", {Variant("three")});
  EXPECT_EQ(CLng(Call(c, "Item", {Variant(2)})), 4);
  EXPECT_EQ(RaisedNumber([&] {
              Call(c, "Add", {Variant(1), Variant(2), Variant(3)});
            }),
            errnum::kWrongArgumentCount);
}

}  // namespace
}  // namespace korvo::rt
