#include "infrastructure/rule_findings.h"

#include "infrastructure/components.h"
#include "infrastructure/validate.h"
#include "platform/runtime/error.h"

namespace korvo::infra {

namespace {

// The result object behind a reference; raises Type mismatch (13) for any
// other object, as a call of a member it lacks would fail.
contracts::ResultObject& Messages(const rt::ObjectRef& object) {
  auto* messages = dynamic_cast<contracts::ResultObject*>(object.get());
  if (messages == nullptr) rt::Raise(rt::errnum::kTypeMismatch);
  return *messages;
}

}  // namespace

Findings::Findings() : object_(Gen_GetComponent("Korvex.ResultObject")), messages_(&Messages(object_)) {}

void Findings::Add(const std::string& code) { messages_->AddMessage(code); }

void Findings::AppendUnlessPassed(const rt::ObjectRef& other) {
  contracts::ResultObject& result = Messages(other);
  if (!result.Succeeded()) messages_->Append(result);
}

bool Findings::Passed() const { return messages_->Succeeded(); }

void RequireFilled(rt::Dictionary& data, std::span<const RequiredField> fields, Findings& findings) {
  for (const RequiredField& field : fields) {
    if (!Val_IsFilled(data, field.column, true)) findings.Add(field.message);
  }
}

void RequireFilledKeys(rt::Dictionary& data, std::span<const char* const> keys, const char* message,
                       Findings& findings) {
  for (const char* key : keys) {
    if (!Val_IsFilled(data, key)) findings.Add(message);
  }
}

}  // namespace korvo::infra
