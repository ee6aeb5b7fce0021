#include "platform/data/library_connection.h"

#include "platform/contracts/configuration.h"
#include "platform/host/create_as.h"
#include "platform/host/object_context.h"
#include "platform/runtime/conversions.h"

namespace korvo::data {

namespace {

constexpr const char* kConnectionKey = "KorvoCommonConnection_ConnectionString";
constexpr const char* kConnectionSection = "CONNECTIONS";
constexpr const char* kServerApplication = "KorvoServer";

// One connection string per thread, shared by every class of the library.
thread_local std::string t_connectionString;

bool Missing(const std::string& text, const ConnectionLookup& lookup) {
  return lookup.blankIsEmpty ? rt::Trim(text).empty() : text.empty();
}

// The web application's variable, when the caller runs inside a web
// application; "" otherwise.
std::string ApplicationVariable() {
  try {
    host::ObjectContext* context = host::GetObjectContext();
    if (context == nullptr) return "";
    rt::DictionaryRef application = context->Item("Application");
    if (!application) return "";
    const rt::Variant* value = application->Find(kConnectionKey);
    return value ? rt::CStr(*value) : "";
  } catch (...) {
    return "";  // not reachable or not readable: the configuration decides
  }
}

std::string ConfiguredValue() {
  auto configuration = host::CreateAs<contracts::Configuration>("Korvex.Configuration");
  configuration->SelectApplication(kServerApplication, 0);
  return rt::CStr(configuration->ReadValue(kConnectionSection, kConnectionKey));
}

}  // namespace

const std::string& LibraryConnectionString(ConnectionLookup lookup) {
  if (!Missing(t_connectionString, lookup)) return t_connectionString;
  t_connectionString = lookup.applicationFirst ? ApplicationVariable() : std::string();
  if (Missing(t_connectionString, lookup)) t_connectionString = ConfiguredValue();
  return t_connectionString;
}

contracts::ConnectionRef OpenConnection(const std::string& connectionString) {
  contracts::ConnectionRef connection = host::CreateAs<contracts::Connection>("ADODB.Connection");
  connection->Open(connectionString);
  return connection;
}

void ForgetLibraryConnectionString() { t_connectionString.clear(); }

}  // namespace korvo::data
