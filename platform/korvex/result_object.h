// Korvex.ResultObject: the outcome of a maintenance call, the message codes
// the business checks added (in order, each with an optional parameter) and
// the named values the write produced ("ADDRESSID", ...).
//
// Callable by name: AddMessage(code), AddMessageWithParameter(code,
// parameter), Append(other), Succeeded(), SetValue(name, value), Values()
// and Messages(). Single-threaded like every component.
#pragma once

#include <string>
#include <vector>

#include "platform/contracts/result_object.h"
#include "platform/host/component.h"
#include "platform/runtime/dictionary.h"

namespace korvo::korvex {

class ResultObject : public host::Component, public contracts::ResultObject {
 public:
  ResultObject() : values_(rt::Dictionary::Create()) {}

  std::string TypeName() const override { return "ResultObject"; }
  const host::DispatchTable& Dispatch() const override;

  void AddMessage(const std::string& code) override;
  void AddMessageWithParameter(const std::string& code, const std::string& parameter) override;
  // Copies other's messages after this one's; values are not copied.
  // Appending a result to itself doubles its messages.
  void Append(contracts::ResultObject& other) override;
  bool Succeeded() const override { return messages_.empty(); }
  // Sets or replaces the named value.
  void SetValue(const std::string& name, rt::Variant value) override;
  // The values dictionary itself, not a copy.
  rt::DictionaryRef Values() override { return values_; }
  const std::vector<contracts::ResultMessage>& MessageList() const override { return messages_; }

  // The messages as an Array (lower bound 0) of two-element Arrays: the code
  // and the parameter, Empty when the message has none.
  rt::Array Messages() const;

 private:
  // Append by name: Nothing raises 91, an object that is not a result
  // object raises Type mismatch (13).
  void AppendObject(rt::ObjectRef other);

  std::vector<contracts::ResultMessage> messages_;
  rt::DictionaryRef values_;
};

}  // namespace korvo::korvex
