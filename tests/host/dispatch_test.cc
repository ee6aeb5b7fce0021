// Late-bound calls through a dispatch table: conversions, by-reference
// write-back, optional arguments and the argument-count errors.
#include <gtest/gtest.h>

#include <optional>

#include "platform/host/component.h"
#include "platform/runtime/dictionary.h"
#include "platform/runtime/error.h"

namespace korvo::host {
namespace {

class Sample : public Component {
 public:
  std::string TypeName() const override { return "Sample"; }
  const DispatchTable& Dispatch() const override {
    static const DispatchTable table = DispatchTable::For<Sample>()
                                           .Method("Add", &Sample::Add)
                                           .Method("Swap", &Sample::Swap)
                                           .Method("Greet", &Sample::Greet)
                                           .Method("Touch", &Sample::Touch)
                                           .Method("Count", &Sample::Count)
                                           .Property("Name", &Sample::Name, &Sample::SetName)
                                           .Build();
    return table;
  }
  std::int32_t Add(std::int32_t a, std::int16_t b) { return a + b; }
  void Swap(std::string& a, std::string& b) { std::swap(a, b); }
  std::string Greet(const std::string& who, std::optional<std::string> greeting) {
    return greeting.value_or("Hello") + " " + who;
  }
  void Touch(rt::Variant& value) { value = rt::Variant(true); }
  std::int32_t Count(const rt::DictionaryRef& d) { return d ? d->Count() : -1; }
  const rt::Variant& Name() const { return name_; }
  void SetName(rt::Variant v) { name_ = std::move(v); }

 private:
  rt::Variant name_;
};

rt::Variant Call(Sample& s, const char* member, std::vector<rt::Variant>& args,
                 rt::InvokeKind kind = rt::InvokeKind::Method) {
  return s.Invoke(member, kind, args);
}

int ErrorNumber(const std::function<void()>& f) {
  try {
    f();
  } catch (const rt::Error& e) {
    return e.number();
  }
  return 0;
}

TEST(DispatchTest, ConvertsArgumentsWithRuntimeRules) {
  Sample s;
  std::vector<rt::Variant> args{rt::Variant("40"), rt::Variant(2.0)};
  rt::Variant result = Call(s, "add", args);
  EXPECT_EQ(result.Type(), rt::VarType::Long);
  EXPECT_EQ(result.AsLong(), 42);
  std::vector<rt::Variant> bad{rt::Variant("x"), rt::Variant(std::int16_t{1})};
  EXPECT_EQ(ErrorNumber([&] { Call(s, "Add", bad); }), 13);
  std::vector<rt::Variant> tooBig{rt::Variant(1), rt::Variant(70000)};
  EXPECT_EQ(ErrorNumber([&] { Call(s, "Add", tooBig); }), 6);
}

TEST(DispatchTest, ByReferenceArgumentsAreWrittenBack) {
  Sample s;
  std::vector<rt::Variant> args{rt::Variant("left"), rt::Variant("right")};
  Call(s, "Swap", args);
  EXPECT_EQ(args[0].AsString(), "right");
  EXPECT_EQ(args[1].AsString(), "left");
  std::vector<rt::Variant> one{rt::Variant(5)};
  Call(s, "Touch", one);
  EXPECT_EQ(one[0].Type(), rt::VarType::Boolean);
}

TEST(DispatchTest, OptionalAndMissingArguments) {
  Sample s;
  std::vector<rt::Variant> args{rt::Variant("Ann")};
  EXPECT_EQ(Call(s, "Greet", args).AsString(), "Hello Ann");
  std::vector<rt::Variant> missing{rt::Variant("Ann"), rt::Variant::Missing()};
  EXPECT_EQ(Call(s, "Greet", missing).AsString(), "Hello Ann");
  std::vector<rt::Variant> none;
  EXPECT_EQ(ErrorNumber([&] { Call(s, "Greet", none); }), 449);
  std::vector<rt::Variant> many{rt::Variant("a"), rt::Variant("b"), rt::Variant("c")};
  EXPECT_EQ(ErrorNumber([&] { Call(s, "Greet", many); }), 450);
}

TEST(DispatchTest, ObjectParametersMustBeOfTheDeclaredClass) {
  Sample s;
  std::vector<rt::Variant> dict{rt::Variant(rt::Dictionary::Create())};
  EXPECT_EQ(Call(s, "Count", dict).AsLong(), 0);
  std::vector<rt::Variant> nothing{rt::Variant::Nothing()};
  EXPECT_EQ(Call(s, "Count", nothing).AsLong(), -1);
  std::vector<rt::Variant> text{rt::Variant("x")};
  EXPECT_EQ(ErrorNumber([&] { Call(s, "Count", text); }), 13);
}

TEST(DispatchTest, PropertiesAndUnknownMembers) {
  Sample s;
  std::vector<rt::Variant> value{rt::Variant(std::int16_t{7})};
  Call(s, "NAME", value, rt::InvokeKind::PropertyPut);
  std::vector<rt::Variant> none;
  rt::Variant name = Call(s, "Name", none, rt::InvokeKind::PropertyGet);
  EXPECT_EQ(name.Type(), rt::VarType::Integer);
  EXPECT_EQ(ErrorNumber([&] { Call(s, "Nope", none); }), 438);
}

}  // namespace
}  // namespace korvo::host
