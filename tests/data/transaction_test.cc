// Connections inside and outside host transactions, and the pool behind them.
#include <gtest/gtest.h>

#include <chrono>
#include <latch>
#include <thread>

#include "data/data_fixture.h"
#include "platform/data/fault_injection.h"
#include "platform/host/host_scope.h"

namespace korvo::data {
namespace {

class TransactionTest : public DataTest {
 protected:
  void InsertCountry(Connection& connection, const char* code) {
    connection.Execute("INSERT INTO COUNTRY (COUNTRYCODE) VALUES (?)", std::vector{Param(code)});
  }
  // Counts rows as a reader outside any host context sees them.
  std::int32_t CountOutside(const std::string& table) {
    host::ContextActivation none(nullptr);
    return Count(table);
  }
};

TEST_F(TransactionTest, ConnectionsInOneScopeCommitTogether) {
  {
    host::HostScope scope;
    auto first = Open();
    auto second = Open();
    InsertCountry(*first, "NL");
    InsertCountry(*second, "BE");
    EXPECT_EQ(Stats().inUse, 1u);  // one physical connection for the transaction
    EXPECT_EQ(second->Execute("SELECT COUNT(*) FROM COUNTRY")->Value(0).AsLong(), 2);
    EXPECT_EQ(CountOutside("COUNTRY"), 0);  // nothing is visible before the commit
    first->Close();
    second->Close();
    EXPECT_EQ(Stats().inUse, 1u);  // closing an enlisted connection keeps it for the commit
    EXPECT_EQ(scope.End(), host::Outcome::Committed);
  }
  EXPECT_EQ(Count("COUNTRY"), 2);
  EXPECT_EQ(Stats().inUse, 0u);
  EXPECT_GE(Stats().idle, 1u);
}

TEST_F(TransactionTest, AnAbortVoteRollsBackEveryConnection) {
  {
    host::HostScope scope;
    InsertCountry(*Open(), "NL");
    InsertCountry(*Open(), "BE");
    scope.Context().SetAbort();
    EXPECT_EQ(scope.End(), host::Outcome::Aborted);
  }
  {
    host::HostScope scope;
    InsertCountry(*Open(), "DE");
    EXPECT_EQ(scope.End(/*abort=*/true), host::Outcome::Aborted);
  }
  EXPECT_EQ(Count("COUNTRY"), 0);
  EXPECT_EQ(Stats().inUse, 0u);
}

TEST_F(TransactionTest, AFailedStatementHalfWayLeavesNothingBehind) {
  try {
    host::HostScope scope;
    auto connection = Open();
    StatementFault fault(2, contracts::dberr::kProvider, "disk full");
    InsertCountry(*connection, "NL");
    InsertCountry(*connection, "BE");
    FAIL() << "the second insert should have failed";
  } catch (const rt::Error& e) {
    EXPECT_EQ(e.record().Description, "disk full");
  }
  EXPECT_EQ(Count("COUNTRY"), 0);
  EXPECT_EQ(Stats().inUse, 0u);
}

TEST_F(TransactionTest, WithoutATransactionEachStatementCommitsAtOnce) {
  auto connection = Open();  // no host scope at all
  InsertCountry(*connection, "NL");
  EXPECT_EQ(Count("COUNTRY"), 1);
  {
    host::ScopeOptions options;
    options.transactional = false;
    host::HostScope scope(options);
    InsertCountry(*Open(), "BE");
    EXPECT_EQ(CountOutside("COUNTRY"), 2);
    scope.End(/*abort=*/true);  // nothing to roll back
  }
  EXPECT_EQ(Count("COUNTRY"), 2);
}

TEST_F(TransactionTest, AnEnlistedConnectionCannotOutliveItsTransaction) {
  std::shared_ptr<Connection> connection;
  {
    host::HostScope scope;
    connection = Open();
    InsertCountry(*connection, "NL");
  }
  const auto error = ErrorOf([&] { InsertCountry(*connection, "BE"); });
  EXPECT_EQ(error.Number, contracts::dberr::kProvider);
  EXPECT_EQ(connection->Errors().size(), 1u);
  EXPECT_EQ(Count("COUNTRY"), 1);
}

TEST_F(TransactionTest, ATransactionTheDatabaseEndedNeverReportsSuccess) {
  host::HostScope scope;
  auto connection = Open();
  InsertCountry(*connection, "NL");
  connection->Execute("ROLLBACK");  // as the database does after a disk-full failure
  EXPECT_EQ(ErrorOf([&] { InsertCountry(*connection, "BE"); }).Number, contracts::dberr::kProvider);
  EXPECT_THROW(scope.End(), rt::Error);
  EXPECT_EQ(CountOutside("COUNTRY"), 0);
  EXPECT_EQ(Stats().inUse, 0u);
}

TEST_F(TransactionTest, WritersOutsideWaitForTheTransactionOrFailAsBusy) {
  KORVO_SQLITE_ONLY("one writer at a time, waiting BusyTimeout for the lock");
  const std::string impatient = db_.ConnectionString() + ";BusyTimeout=50";
  host::HostScope scope;
  InsertCountry(*Open(), "NL");
  host::ContextActivation none(nullptr);
  auto outside = std::make_shared<Connection>();
  outside->Open(impatient);
  const auto error = ErrorOf([&] { InsertCountry(*outside, "BE"); });
  EXPECT_EQ(error.Number, contracts::dberr::kProvider);
  ASSERT_EQ(outside->Errors().size(), 1u);
  EXPECT_EQ(outside->Errors()[0].nativeError & 0xff, 5);  // SQLITE_BUSY
  outside->Close();
  ConnectionPool::CloseIdle(impatient);
}

TEST_F(TransactionTest, WritersOnOtherThreadsWaitForTheCommit) {
  std::latch locked(1);
  std::thread holder([&] {
    host::HostScope scope;
    InsertCountry(*Open(), "NL");  // takes the write lock
    locked.count_down();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    scope.End();
  });
  locked.wait();
  InsertCountry(*Open(), "BE");  // waits for the commit instead of failing
  holder.join();
  EXPECT_EQ(Count("COUNTRY"), 2);
}

TEST_F(TransactionTest, ThePoolKeepsABoundedNumberOfIdleConnections) {
  std::vector<std::shared_ptr<Connection>> open;
  for (std::size_t i = 0; i < ConnectionPool::kMaxIdle + 3; ++i) open.push_back(Open());
  EXPECT_EQ(Stats().inUse, ConnectionPool::kMaxIdle + 3);
  open.clear();  // dropped without Close: the leases still return
  EXPECT_EQ(Stats().inUse, 0u);
  EXPECT_EQ(Stats().idle, ConnectionPool::kMaxIdle);
  ConnectionPool::CloseIdle(db_.ConnectionString());
  EXPECT_EQ(Stats().idle, 0u);
}

}  // namespace
}  // namespace korvo::data
