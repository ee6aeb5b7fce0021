// KorvoLibrary.Page: what a web page keeps between requests to page
// through one listing: its DRecordset (the same object on every request,
// so it moves from the page it showed last), the connection name the
// listing was told, and the page the user asked for.
//
// A request: the page calls RequestPage(n) when the user chose a page; the
// listing method tells the page its connection name, takes GetRecordset(),
// and asks GetPendingPage, which reports the request once.
//
// Callable by name: SetConnectionName, ConnectionName, GetRecordset,
// RequestPage(n), GetPendingPage(page, requested, unused). Errors:
// kInvalidPageArgument for a page number below 1 (paging_errors.h).
// Single-threaded like every component.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/contracts/utilities.h"
#include "platform/host/component.h"
#include "platform/utility/drecordset.h"

namespace korvo::utility {

class Page : public host::Component, public contracts::Page {
 public:
  std::string TypeName() const override { return "Page"; }
  const host::DispatchTable& Dispatch() const override;

  // Also tells the page's record set.
  void SetConnectionName(const std::string& name) override;
  const std::string& ConnectionName() const { return connectionName_; }
  // Made on first use, outside any request's transaction: it outlives the
  // request that made it.
  rt::ObjectRef GetRecordset() override;
  void RequestPage(std::int32_t page);
  // page: the page asked for, 0 when none; requested: whether one was.
  void GetPendingPage(std::int32_t& page, bool& requested, rt::Variant& unused) override;

 private:
  std::string connectionName_;
  std::shared_ptr<DRecordset> recordset_;
  std::optional<std::int32_t> requested_;
};

}  // namespace korvo::utility
