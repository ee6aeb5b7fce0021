#include "infrastructure/components.h"

#include "infrastructure/errors.h"
#include "infrastructure/method_guard.h"
#include "platform/data/library_connection.h"
#include "platform/host/object_context.h"
#include "platform/host/registry.h"
#include "platform/runtime/conversions.h"

namespace korvo::infra {

namespace {

constexpr const char* kGetComponentMethod = "Lib_General.Gen_GetComponent";

std::string CreationFailureInfo(std::string_view progId, bool inContext) {
  if (!inContext) return "CreateObject(" + std::string(progId) + ") failed";
  return "CreateInstance(" + std::string(progId) + ") failed.\r\n" +
         "Note: Objects having 'Instancing=PublicNotCreatable' may only be instantiated with "
         "'New', not with Gen_GetComponent()";
}

// The library's connection string as `lookup` finds it, its failures
// reported under the class's property name.
const std::string& ConnectionStringHandled(std::string_view propertyMethod,
                                           data::ConnectionLookup lookup) {
  return RunHandled(UnvotedHandler(propertyMethod),
                    [&]() -> const std::string& { return data::LibraryConnectionString(lookup); });
}

}  // namespace

rt::ObjectRef Gen_GetComponent(std::string_view progId) {
  host::ObjectContext* context = host::GetObjectContext();
  try {
    if (context == nullptr) return host::CreateObject(progId);
    return context->CreateInstance(progId);
  } catch (...) {
    Err_Handle(kGetComponentMethod, rt::Variant(CreationFailureInfo(progId, context != nullptr)));
    // Only an error numbered 0 comes back from the handler: nothing was made.
    return nullptr;
  }
}

void Mts_SetComplete() {
  if (host::ObjectContext* context = host::GetObjectContext()) context->SetComplete();
}

void Mts_SetAbort() {
  if (host::ObjectContext* context = host::GetObjectContext()) context->SetAbort();
}

std::string Gen_NullToString(const rt::Variant& value) {
  return value.IsNull() ? std::string() : rt::CStr(value);
}

const std::string& ConnectionStringApplicationFirst(std::string_view propertyMethod) {
  return ConnectionStringHandled(propertyMethod, {});
}

const std::string& ConnectionStringConfigurationOnly(std::string_view propertyMethod) {
  return ConnectionStringHandled(propertyMethod, {.applicationFirst = false});
}

const std::string& ConnectionStringConfigurationOnlyUnhandled() {
  return data::LibraryConnectionString({.applicationFirst = false, .blankIsEmpty = true});
}

const std::string& ConnectionStringApplicationFirstUnhandled() {
  return data::LibraryConnectionString({.blankIsEmpty = true});
}

void ResetConnectionStringCache() { data::ForgetLibraryConnectionString(); }

}  // namespace korvo::infra
