// A database holding a listing of 1,000 business partners whose names
// repeat (and are sometimes null), and the statements the paging ran.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/data/connection.h"
#include "platform/data/statement_trace.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"
#include "platform/utility/drecordset.h"
#include "support/temp_database.h"

namespace korvo::utility::testing {

inline constexpr int kPartners = 1000;
inline constexpr const char* kListing = "SELECT * FROM BUSINESSPARTNER";
inline constexpr const char* kKey = "BUSINESSPARTNERID";

class PagingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // 37 names over 1,000 rows, every 50th without a name; codes repeat
    // too, so that sorting by them leaves long runs of equal values.
    std::string insert = "INSERT INTO BUSINESSPARTNER (NAME, ZRKCUSTOMERCODE) VALUES ";
    for (int i = 0; i < kPartners; ++i) {
      if (i > 0) insert += ", ";
      const std::string name = i % 50 == 0 ? "NULL" : "'Partner " + std::to_string(i % 37) + "'";
      insert += "(" + name + ", 'C" + std::to_string(i % 3) + "')";
    }
    Execute(insert);
  }

  void Execute(const std::string& sql) {
    auto connection = std::make_shared<data::Connection>();
    connection->Open(db_.ConnectionString());
    connection->Execute(sql);
    connection->Close();
  }

  std::shared_ptr<DRecordset> NewListing(std::int16_t pageSize, const std::string& sort) {
    auto listing = std::make_shared<DRecordset>();
    listing->SetConnectionString(db_.ConnectionString());
    listing->SetPageSize(pageSize);
    listing->SetSortFields(sort);
    return listing;
  }

  // The keys of the page shown, in order.
  static std::vector<std::int32_t> Keys(const DRecordset& listing) {
    std::vector<std::int32_t> keys;
    for (auto page = listing.GetPageRecordset(); !page->IsEOF(); page->MoveNext()) {
      keys.push_back(rt::CLng(page->Value(kKey)));
    }
    return keys;
  }

  std::vector<std::string> Statements() {
    std::lock_guard lock(mutex_);
    return statements_;
  }
  void ForgetStatements() {
    std::lock_guard lock(mutex_);
    statements_.clear();
  }

  // The error `call` raised; Number 0 when it raised none.
  template <class Call>
  static rt::ErrorRecord RaisedBy(Call&& call) {
    try {
      call();
    } catch (const rt::Error& e) {
      return e.record();
    }
    return {};
  }

  const std::string& ConnectionString() const { return db_.ConnectionString(); }

 private:
  korvo::testing::TempDatabase db_;
  std::mutex mutex_;
  std::vector<std::string> statements_;
  data::StatementTrace::Subscription trace_ = data::StatementTrace::Subscribe(
      [this](const std::string& sql, std::span<const contracts::Parameter>) {
        std::lock_guard lock(mutex_);
        statements_.push_back(sql);
      });
};

}  // namespace korvo::utility::testing
