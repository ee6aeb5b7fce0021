// Host transactions on PostgreSQL: serializable isolation, concurrent
// transactions queueing for each other, and statement-level undo, which PostgreSQL must
// share with the embedded database (that test runs on both backends).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <latch>
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
  // A writer on another thread, in a host transaction of its own: runs
  // `sql` and commits, then sets `done`.
  std::thread OtherWriter(std::string sql, std::atomic<bool>& done) const {
    return std::thread([this, sql = std::move(sql), &done] {
      host::HostScope second;
      Open()->Execute(sql);
      EXPECT_EQ(second.End(), host::Outcome::Committed);
      done = true;
    });
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
    other = OtherWriter(
        "UPDATE COUNTRY SET COUNTRYNAME = COUNTRYNAME || ' (' || ISOCODE || ')' WHERE COUNTRYCODE = 'NL'",
        otherDone);
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

// A statement that fails before the transaction wrote anything takes it back
// to its start; the writer lock stays, so no other writer comes in between.
TEST_F(PostgresTransactionTest, AFailureBeforeTheFirstWriteKeepsTheWritersLock) {
  std::atomic<bool> otherDone{false};
  std::thread other;
  {
    host::HostScope scope;
    auto connection = Open();
    EXPECT_EQ(ErrorOf([&] { connection->Execute("SELECT * FROM NOSUCHTABLE"); }).Number,
              contracts::dberr::kSyntax);
    other = OtherWriter("UPDATE COUNTRY SET COUNTRYNAME = 'seen'", otherDone);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(otherDone) << "the second transaction ran beside the first";
    connection->Execute("INSERT INTO COUNTRY (COUNTRYCODE) VALUES ('NL')");
    EXPECT_EQ(scope.End(), host::Outcome::Committed);
  }
  other.join();
  EXPECT_EQ(Exec("SELECT COUNTRYNAME FROM COUNTRY")->Value(0).AsString(), "seen");
}

// A writer that waited for the lock longer than the command timeout writes
// nothing, although the server ran its statement when the wait ended.
TEST_F(PostgresTransactionTest, AWriterThatGaveUpWaitingForTheLockWritesNothing) {
  std::latch locked(1);
  std::thread holder([&] {
    host::HostScope scope;
    Open()->Execute("INSERT INTO COUNTRY (COUNTRYCODE) VALUES ('NL')");
    locked.count_down();
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_EQ(scope.End(), host::Outcome::Committed);
  });
  locked.wait();
  const std::string impatient = db_.ConnectionString() + ";CommandTimeout=1";
  {
    host::HostScope scope;
    auto connection = std::make_shared<Connection>();
    connection->Open(impatient);
    EXPECT_EQ(
        ErrorOf([&] { connection->Execute("INSERT INTO COUNTRY (COUNTRYCODE) VALUES ('BE')"); }).Number,
        contracts::dberr::kProvider);
    EXPECT_THROW(scope.End(), rt::Error);
  }
  holder.join();
  ConnectionPool::CloseIdle(impatient);
  EXPECT_EQ(Exec("SELECT COUNTRYCODE FROM COUNTRY")->Value(0).AsString(), "NL");
  EXPECT_EQ(Count("COUNTRY"), 1);
}

// A transaction that only read ends without waiting for the server's
// answer; the connection's next users, in a transaction or not, go on.
TEST_F(PostgresTransactionTest, ReadingTransactionsEndWithoutWaitingAndTheConnectionGoesOn) {
  for (const char* code : {"NL", "BE", "DE"}) {
    {
      host::HostScope reading;
      Open()->Execute("SELECT COUNT(*) FROM COUNTRY");
      EXPECT_EQ(reading.End(), host::Outcome::Committed);
    }
    EXPECT_EQ(Exec("SELECT 1")->Value(0).AsLong(), 1);
    host::HostScope writing;
    Open()->Execute("INSERT INTO COUNTRY (COUNTRYCODE) VALUES (?)",
                    std::vector{Param(rt::Variant(code))});
    EXPECT_EQ(writing.End(), host::Outcome::Committed);
  }
  EXPECT_EQ(Count("COUNTRY"), 3);
  EXPECT_EQ(Stats().inUse, 0u);
}

// Both backends: a failure before the first write and failures after it.
TEST_F(DataTest, AFailedStatementInATransactionUndoesOnlyItself) {
  {
    host::HostScope scope;
    auto connection = Open();
    EXPECT_EQ(ErrorOf([&] { connection->Execute("SELECT * FROM NOSUCHTABLE"); }).Number,
              contracts::dberr::kSyntax);
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
