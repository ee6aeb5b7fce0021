// The findings of one business-rule run: a Korvex.ResultObject that
// collects a message code per failed rule. The row is written only while it
// has none.
//
// Module-internal. Single-threaded, like the result object it wraps.
#pragma once

#include <string>

#include "infrastructure/contracts/result_object.h"
#include "platform/runtime/object.h"

namespace korvo::common {

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

}  // namespace korvo::common
