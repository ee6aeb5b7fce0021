// Korvex.ResultObject: the outcome of a maintenance call, message codes in
// order plus named values.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/runtime/dictionary.h"
#include "platform/runtime/variant.h"

namespace korvo::contracts {

struct ResultMessage {
  std::string code;
  std::optional<std::string> parameter;
};

class ResultObject {
 public:
  virtual ~ResultObject() = default;
  virtual void AddMessage(const std::string& code) = 0;
  virtual void AddMessageWithParameter(const std::string& code, const std::string& parameter) = 0;
  // Copies other's messages in, after this one's.
  virtual void Append(ResultObject& other) = 0;
  // True while no message has been added.
  virtual bool Succeeded() const = 0;
  virtual void SetValue(const std::string& name, rt::Variant value) = 0;
  virtual rt::DictionaryRef Values() = 0;
  virtual const std::vector<ResultMessage>& MessageList() const = 0;
};

}  // namespace korvo::contracts
