#include "infrastructure/components.h"

#include "platform/contracts/configuration.h"
#include "infrastructure/errors.h"
#include "platform/host/object_context.h"
#include "platform/host/registry.h"
#include "platform/runtime/conversions.h"

namespace korvo::infra {

namespace {

constexpr const char* kGetComponentMethod = "Lib_General.Gen_GetComponent";
constexpr const char* kConnectionKey = "KorvoCommonConnection_ConnectionString";
constexpr const char* kConnectionSection = "CONNECTIONS";
constexpr const char* kServerApplication = "KorvoServer";
constexpr const char* kConfigurationProgId = "Korvex.Configuration";

// One connection string per thread, shared by every class of the library.
thread_local std::string t_connectionString;

std::string CreationFailureInfo(std::string_view progId, bool inContext) {
  if (!inContext) return "CreateObject(" + std::string(progId) + ") failed";
  return "CreateInstance(" + std::string(progId) + ") failed.\r\n" +
         "Note: Objects having 'Instancing=PublicNotCreatable' may only be instantiated with "
         "'New', not with Gen_GetComponent()";
}

// The web application's variable, when the caller runs inside a web
// application. Any failure here only means the configuration is asked.
void ReadApplicationVariable() {
  try {
    host::ObjectContext* context = host::GetObjectContext();
    if (context == nullptr) return;
    rt::DictionaryRef application = context->Item("Application");
    if (!application) return;
    if (const rt::Variant* value = application->Find(kConnectionKey)) {
      t_connectionString = rt::CStr(*value);
    }
  } catch (...) {
    // Not reachable or not readable: the configuration decides.
  }
}

void ReadConfiguration() {
  auto configuration = Gen_GetComponentAs<contracts::Configuration>(kConfigurationProgId);
  configuration->SelectApplication(kServerApplication, 0);
  t_connectionString = rt::CStr(configuration->ReadValue(kConnectionSection, kConnectionKey));
}

// Fills the cache from the configuration, reporting failures under the
// class's property name.
void ReadConfigurationHandled(std::string_view propertyMethod) {
  try {
    ReadConfiguration();
  } catch (...) {
    Err_Handle(propertyMethod);
    throw;
  }
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
  if (!t_connectionString.empty()) return t_connectionString;
  ReadApplicationVariable();
  if (t_connectionString.empty()) ReadConfigurationHandled(propertyMethod);
  return t_connectionString;
}

const std::string& ConnectionStringConfigurationOnly(std::string_view propertyMethod) {
  if (t_connectionString.empty()) ReadConfigurationHandled(propertyMethod);
  return t_connectionString;
}

const std::string& ConnectionStringConfigurationOnlyUnhandled() {
  if (rt::Trim(t_connectionString).empty()) ReadConfiguration();
  return t_connectionString;
}

const std::string& ConnectionStringApplicationFirstUnhandled() {
  if (!rt::Trim(t_connectionString).empty()) return t_connectionString;
  t_connectionString.clear();
  ReadApplicationVariable();
  if (rt::Trim(t_connectionString).empty()) ReadConfiguration();
  return t_connectionString;
}

void ResetConnectionStringCache() { t_connectionString.clear(); }

}  // namespace korvo::infra
