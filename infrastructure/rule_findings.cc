#include "currency/rule_findings.h"

#include "infrastructure/components.h"
#include "platform/runtime/error.h"

namespace korvo::common {

namespace {

// The result object behind a reference; raises Type mismatch (13) for any
// other object, as a call of a member it lacks would fail.
contracts::ResultObject& Messages(const rt::ObjectRef& object) {
  auto* messages = dynamic_cast<contracts::ResultObject*>(object.get());
  if (messages == nullptr) rt::Raise(rt::errnum::kTypeMismatch);
  return *messages;
}

}  // namespace

Findings::Findings()
    : object_(infra::Gen_GetComponent("Korvex.ResultObject")), messages_(&Messages(object_)) {}

void Findings::Add(const std::string& code) { messages_->AddMessage(code); }

void Findings::AppendUnlessPassed(const rt::ObjectRef& other) {
  contracts::ResultObject& result = Messages(other);
  if (!result.Succeeded()) messages_->Append(result);
}

bool Findings::Passed() const { return messages_->Succeeded(); }

}  // namespace korvo::common
