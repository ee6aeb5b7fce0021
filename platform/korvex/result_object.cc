#include "platform/korvex/result_object.h"

#include <memory>

#include "platform/runtime/error.h"

namespace korvo::korvex {

const host::DispatchTable& ResultObject::Dispatch() const {
  static const host::DispatchTable table =
      host::DispatchTable::For<ResultObject>()
          .Method("AddMessage", &ResultObject::AddMessage)
          .Method("AddMessageWithParameter", &ResultObject::AddMessageWithParameter)
          .Method("Append", &ResultObject::AppendObject)
          .Method("Succeeded", &ResultObject::Succeeded)
          .Method("SetValue", &ResultObject::SetValue)
          .Method("Values", &ResultObject::Values)
          .Method("Messages", &ResultObject::Messages)
          .Build();
  return table;
}

void ResultObject::AddMessage(const std::string& code) { messages_.push_back({code, std::nullopt}); }

void ResultObject::AddMessageWithParameter(const std::string& code, const std::string& parameter) {
  messages_.push_back({code, parameter});
}

void ResultObject::Append(contracts::ResultObject& other) {
  // A copy first: other may be this very result.
  const std::vector<contracts::ResultMessage> incoming = other.MessageList();
  messages_.insert(messages_.end(), incoming.begin(), incoming.end());
}

void ResultObject::SetValue(const std::string& name, rt::Variant value) {
  values_->Set(rt::Variant(name), std::move(value));
}

rt::Array ResultObject::Messages() const {
  rt::Array list;
  for (const auto& message : messages_) {
    rt::Variant parameter = message.parameter ? rt::Variant(*message.parameter) : rt::Variant();
    list.items.emplace_back(rt::Array({rt::Variant(message.code), std::move(parameter)}));
  }
  return list;
}

void ResultObject::AppendObject(rt::ObjectRef other) {
  if (!other) rt::Raise(rt::errnum::kObjectNotSet);
  auto result = std::dynamic_pointer_cast<contracts::ResultObject>(other);
  if (!result) rt::Raise(rt::errnum::kTypeMismatch);
  Append(*result);
}

}  // namespace korvo::korvex
