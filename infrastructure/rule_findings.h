// The findings of one business-rule run: a Korvex.ResultObject that
// collects a message code per failed rule. The row is written only while it
// has none.
//
// Shared by every public class. Single-threaded, like the result object it wraps.
#pragma once

#include <span>
#include <string>

#include "platform/contracts/result_object.h"
#include "platform/runtime/dictionary.h"
#include "platform/runtime/object.h"

namespace korvo::infra {

class Findings {
 public:
  // Creates the result object with Gen_GetComponent, in the caller's context.
  Findings();

  void Add(const std::string& code);
  // Copies another result's messages in when it has any (a check's result).
  void AppendUnlessPassed(const rt::ObjectRef& other);
  // True while no rule has failed.
  bool Passed() const;
  // The result object, as the rules hand it back.
  const rt::ObjectRef& Result() const { return object_; }

 private:
  rt::ObjectRef object_;
  contracts::ResultObject* messages_;
};

// A required field and the message code that reports it missing.
struct RequiredField {
  const char* column;
  const char* message;
};

// Adds each field's message when the field is absent or not filled (Null,
// Empty or blank text) in data.
void RequireFilled(rt::Dictionary& data, std::span<const RequiredField> fields, Findings& findings);

// Adds `message` once per identifying key that is present but not filled:
// an update or delete names its row by these keys.
void RequireFilledKeys(rt::Dictionary& data, std::span<const char* const> keys, const char* message,
                       Findings& findings);

}  // namespace korvo::infra
