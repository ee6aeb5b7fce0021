#include "platform/utility/page.h"

#include "platform/runtime/error.h"
#include "platform/utility/paging_errors.h"

namespace korvo::utility {

const host::DispatchTable& Page::Dispatch() const {
  static const host::DispatchTable table = host::DispatchTable::For<Page>()
                                               .Method("SetConnectionName", &Page::SetConnectionName)
                                               .Getter("ConnectionName", &Page::ConnectionName)
                                               .Method("GetRecordset", &Page::GetRecordset)
                                               .Method("RequestPage", &Page::RequestPage)
                                               .Method("GetPendingPage", &Page::GetPendingPage)
                                               .Build();
  return table;
}

void Page::SetConnectionName(const std::string& name) {
  connectionName_ = name;
  if (recordset_) recordset_->SetConnectionName(name);
}

rt::ObjectRef Page::GetRecordset() {
  if (!recordset_) {
    recordset_ = std::make_shared<DRecordset>();
    recordset_->SetConnectionName(connectionName_);
  }
  return recordset_;
}

void Page::RequestPage(std::int32_t page) {
  if (page < 1) {
    rt::Raise(errnum::kInvalidPageArgument, "The page number must be 1 or more", errnum::kPageSource);
  }
  requested_ = page;
}

void Page::GetPendingPage(std::int32_t& page, bool& requested, rt::Variant&) {
  requested = requested_.has_value();
  page = requested_.value_or(0);
  requested_.reset();
}

}  // namespace korvo::utility
