#include "platform/runtime/variant.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "platform/runtime/conversions.h"
#include "platform/runtime/dictionary.h"
#include "platform/runtime/error.h"
#include "raises.h"

namespace korvo::rt {
namespace {

using testing::RaisedNumber;

TEST(VariantTest, ConstructorFixesTheKind) {
  EXPECT_EQ(Variant().Type(), VarType::Empty);
  EXPECT_EQ(Variant(std::uint8_t{1}).Type(), VarType::Byte);
  EXPECT_EQ(Variant(std::int16_t{1}).Type(), VarType::Integer);
  EXPECT_EQ(Variant(1).Type(), VarType::Long);
  EXPECT_EQ(Variant(1.0f).Type(), VarType::Single);
  EXPECT_EQ(Variant(Money{}).Type(), VarType::Currency);
  EXPECT_EQ(Variant("x").Type(), VarType::String);
  EXPECT_EQ(Variant(false).Type(), VarType::Boolean);
  EXPECT_TRUE(Variant::Nothing().IsNothing());
  EXPECT_TRUE(Variant::Missing().IsMissing());
  EXPECT_FALSE(Variant(true).IsNumeric());
  EXPECT_EQ(RaisedNumber([] { Variant(1).AsInteger(); }), errnum::kTypeMismatch);
  EXPECT_EQ(RaisedNumber([] { Variant("1").AsDouble(); }), errnum::kTypeMismatch);
  EXPECT_EQ(Variant(Dictionary::Create()).As<Dictionary>()->TypeName(), "Dictionary");
}

TEST(VariantTest, ArraysAreCopiedObjectsShared) {
  Variant original(Array({Variant(1), Variant(Array({Variant("inner")}))}, 1));
  Variant copy = original;
  copy.AsArray().At(1) = Variant(99);
  copy.AsArray().At(2).AsArray().At(0) = Variant("changed");
  EXPECT_EQ(CLng(original.AsArray().At(1)), 1);
  EXPECT_EQ(CStr(original.AsArray().At(2).AsArray().At(0)), "inner");
  // Assigning an element of a value's own array to the value itself.
  original = original.AsArray().At(2);
  EXPECT_EQ(CStr(original.AsArray().At(0)), "inner");

  auto dict = Dictionary::Create();
  Variant a(dict);
  Variant b = a;
  b.As<Dictionary>()->Add(Variant("k"), Variant(1));
  EXPECT_EQ(dict->Count(), 1);
}

TEST(VariantTest, ArrayBoundsRaiseSubscriptOutOfRange) {
  Array a({Variant(1), Variant(2)}, 5);
  EXPECT_EQ(a.UBound(), 6);
  EXPECT_EQ(CLng(a.At(6)), 2);
  EXPECT_EQ(RaisedNumber([&] { a.At(4); }), errnum::kSubscriptOutOfRange);
  EXPECT_EQ(RaisedNumber([&] { a.At(7); }), errnum::kSubscriptOutOfRange);
  EXPECT_EQ(Array().UBound(), -1);
}

class Plain : public Object {
 public:
  std::string TypeName() const override { return "Plain"; }
};

TEST(ErrorTest, RaiseFillsDefaultsAndObjectsRefuseUnknownMembers) {
  try {
    Raise(errnum::kTypeMismatch);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.record().Description, "Type mismatch");
    EXPECT_EQ(e.record().Source, kDefaultSource);
  }
  Plain p;
  EXPECT_EQ(RaisedNumber([&] { p.Invoke("Anything", InvokeKind::Method, {}); }), errnum::kNotSupported);
  EXPECT_EQ(DefaultDescription(errnum::kKeyAlreadyAssociated),
            "This key is already associated with an element of this collection");
  EXPECT_EQ(DefaultDescription(kElementNotFound), "Element not found");
  EXPECT_EQ(DefaultDescription(errnum::kComponentBase + 1),
            "Application-defined or object-defined error");
  EXPECT_EQ(Hex(errnum::kComponentBase), "80040000");
  EXPECT_EQ(Hex(-2147221370), "80040086");
  EXPECT_EQ(Hex(0), "0");
  EXPECT_EQ(Hex(255), "FF");
}

template <class Throw>
ErrorRecord Caught(Throw&& toss) {
  try {
    toss();
  } catch (...) {
    return CurrentError();
  }
  return {};
}

TEST(ErrorTest, CurrentErrorMapsForeignExceptions) {
  EXPECT_EQ(CurrentError().Number, 0);
  const ErrorRecord own = Caught([] {
    RaiseRecord(
        {errnum::kComponentBase + 5, "KorvoCommon.Currency.GetCurrency", "Not found", "help.chm", 12});
  });
  EXPECT_EQ(own.Number, errnum::kComponentBase + 5);
  EXPECT_EQ(own.Source, "KorvoCommon.Currency.GetCurrency");
  EXPECT_EQ(own.HelpContext, 12);
  EXPECT_EQ(Caught([] { throw std::bad_alloc(); }).Number, errnum::kOutOfMemory);
  const ErrorRecord foreign = Caught([] { throw std::runtime_error("disk full"); });
  EXPECT_EQ(foreign.Number, errnum::kInternalError);
  EXPECT_EQ(foreign.Description, "Internal error: disk full");
  EXPECT_EQ(Caught([] { throw 42; }).Number, errnum::kInternalError);
}

}  // namespace
}  // namespace korvo::rt
