#include "infrastructure/paged_listing.h"

#include <memory>

#include "infrastructure/components.h"
#include "platform/contracts/utilities.h"
#include "platform/runtime/error.h"

namespace korvo::infra {

namespace {

// The name under which the application keeps this library's connection
// string, told to the caller's page.
constexpr const char* kConnectionName = "KorvoCommonConnection";

template <class T>
std::shared_ptr<T> As(const rt::ObjectRef& object) {
  auto typed = std::dynamic_pointer_cast<T>(object);
  if (!typed) rt::Raise(rt::errnum::kTypeMismatch);
  return typed;
}

std::shared_ptr<contracts::Page> PageOf(const rt::Variant& page) {
  if (page.IsMissing() || page.IsEmpty() || page.IsNull() || (page.IsObject() && !page.AsObject())) {
    return nullptr;
  }
  if (!page.IsObject()) rt::Raise(rt::errnum::kTypeMismatch);
  return As<contracts::Page>(page.AsObject());
}

// Goes to the page the user asked for since the last request, if any.
void GoToPendingPage(contracts::Page& page, contracts::DRecordset& recordset) {
  std::int32_t asked = 0;
  bool requested = false;
  rt::Variant unused;
  page.GetPendingPage(asked, requested, unused);
  if (!requested) return;
  recordset.ResetPosition();
  bool found = true;
  recordset.GoToPage(found, asked);
}

}  // namespace

rt::ObjectRef OpenPagedListing(const PagedListingRequest& request, const std::string& statement,
                               const std::string& keyField,
                               const std::function<const std::string&()>& connectionString) {
  const std::shared_ptr<contracts::Page> page = PageOf(request.page);
  rt::ObjectRef object;
  if (page) {
    page->SetConnectionName(kConnectionName);
    object = page->GetRecordset();
  } else {
    object = Gen_GetComponent("KorvoLibrary.DRecordset");
  }
  const auto recordset = As<contracts::DRecordset>(object);
  if (!page) {
    recordset->SetConnectionString(connectionString());
    recordset->RestoreState(request.persistedState);
  }
  recordset->SetPageSize(request.pageSize);
  recordset->SetSortFields(request.sortFields.value_or(""));
  if (page) GoToPendingPage(*page, *recordset);
  recordset->Open(statement, keyField);
  return object;
}

}  // namespace korvo::infra
