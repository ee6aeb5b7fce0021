// Host transactions on PostgreSQL: serializable isolation, concurrent
// transactions queueing for each other, and statement-level undo, which PostgreSQL must
// share with the embedded database (that test runs on both backends).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "data/data_fixture.h"
#include "platform/host/host_scope.h"

namespace korvo::data {
namespace {

class PostgresTransactionTest : public DataTest {
 protected:
  void SetUp() override {
    if (testing::TestBackend() != testing::Backend::PostgreSQL) GTEST_SKIP() << "PostgreSQL only";
  }
  std::string Isolation() const {
    return Exec("SELECT current_setting('transaction_isolation')")->Value(0).AsString();
  }
};

TEST_F(PostgresTransactionTest, HostTransactionsAreSerializable) {
  EXPECT_EQ(Isolation(), "read committed");
  host::HostScope scope;
  EXPECT_EQ(Isolation(), "serializable");
  // The library's request for read committed changes nothing inside.
  auto connection = Open();
  connection->Execute("set TRANSACTION ISOLATION LEVEL READ COMMITTED");
  EXPECT_EQ(connection->Execute("SELECT current_setting('transaction_isolation')")->Value(0).AsString(),
            "serializable");
}

// Host transactions queue for each other as SQLite's writers do: the second
// waits until the first has committed and then sees its write, so neither
// fails with a serialization failure.
TEST_F(PostgresTransactionTest, ConcurrentTransactionsQueueAndSeeEachOthersCommits) {
  Exec("INSERT INTO COUNTRY VALUES ('NL', 'Netherlands', 'NLD')");
  std::atomic<bool> otherDone{false};
  std::thread other;
  {
    host::HostScope scope;
    auto connection = Open();
    EXPECT_EQ(connection->Execute("SELECT COUNTRYNAME FROM COUNTRY")->Value(0).AsString(),
              "Netherlands");
    other = std::thread([&] {
      host::HostScope second;
      auto mine = Open();
      mine->Execute(
          "UPDATE COUNTRY SET COUNTRYNAME = COUNTRYNAME || ' (' || ISOCODE || ')' WHERE COUNTRYCODE = 'NL'");
      EXPECT_EQ(second.End(), host::Outcome::Committed);
      otherDone = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_FALSE(otherDone) << "the second transaction ran beside the first";
    connection->Execute("UPDATE COUNTRY SET ISOCODE = 'XXX'");
    EXPECT_EQ(scope.End(), host::Outcome::Committed);
  }
  other.join();
  EXPECT_EQ(Stats().inUse, 0u);
  auto row = Exec("SELECT COUNTRYNAME, ISOCODE FROM COUNTRY");
  EXPECT_EQ(row->Value("COUNTRYNAME").AsString(), "Netherlands (XXX)");
  EXPECT_EQ(row->Value("ISOCODE").AsString(), "XXX");
}

// Both backends.
TEST_F(DataTest, AFailedStatementInATransactionUndoesOnlyItself) {
  {
    host::HostScope scope;
    auto connection = Open();
    connection->Execute("INSERT INTO COUNTRY (COUNTRYCODE) VALUES ('NL')");
    EXPECT_EQ(
        ErrorOf([&] { connection->Execute("INSERT INTO COUNTRY (COUNTRYCODE) VALUES ('nl')"); }).Number,
        contracts::dberr::kConstraint);
    EXPECT_EQ(ErrorOf([&] { connection->Execute("SELECT * FROM NOSUCHTABLE"); }).Number,
              contracts::dberr::kSyntax);
    connection->Execute("INSERT INTO COUNTRY (COUNTRYCODE) VALUES ('BE')");
    EXPECT_EQ(scope.End(), host::Outcome::Committed);
  }
  EXPECT_EQ(Count("COUNTRY"), 2);
}

}  // namespace
}  // namespace korvo::data
