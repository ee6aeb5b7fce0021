// Host transactions on PostgreSQL: serializable isolation, a transaction that
// lost to a concurrent one, and statement-level undo, which PostgreSQL must
// share with the embedded database (that test runs on both backends).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "data/data_fixture.h"
#include "platform/host/host_scope.h"

namespace korvo::data {
namespace {

using ::testing::StartsWith;

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

TEST_F(PostgresTransactionTest, ATransactionThatLostToAConcurrentOneFailsAsASerializationFailure) {
  Exec("INSERT INTO COUNTRY VALUES ('NL', 'Netherlands', 'NLD')");
  {
    host::HostScope scope;
    auto connection = Open();
    EXPECT_EQ(connection->Execute("SELECT COUNTRYNAME FROM COUNTRY")->Value(0).AsString(), "Netherlands");
    std::thread([&] {
      host::HostScope other;
      Open()->Execute("UPDATE COUNTRY SET COUNTRYNAME = 'Holland' WHERE COUNTRYCODE = 'NL'");
      other.End();
    }).join();

    const auto lost = ErrorOf([&] { connection->Execute("UPDATE COUNTRY SET ISOCODE = 'XXX'"); });
    EXPECT_EQ(lost.Number, contracts::dberr::kProvider);
    EXPECT_THAT(lost.Description, StartsWith("Serialization failure: "));
    EXPECT_EQ(ErrorOf([&] { connection->Execute("SELECT 1"); }).Number, contracts::dberr::kProvider);
    EXPECT_THROW(scope.End(), rt::Error);
  }
  EXPECT_EQ(Stats().inUse, 0u);
  auto row = Exec("SELECT COUNTRYNAME, ISOCODE FROM COUNTRY");
  EXPECT_EQ(row->Value("COUNTRYNAME").AsString(), "Holland");
  EXPECT_EQ(row->Value("ISOCODE").AsString(), "NLD");
}

// Both backends.
TEST_F(DataTest, AFailedStatementInATransactionUndoesOnlyItself) {
  {
    host::HostScope scope;
    auto connection = Open();
    connection->Execute("INSERT INTO COUNTRY (COUNTRYCODE) VALUES ('NL')");
    EXPECT_EQ(ErrorOf([&] { connection->Execute("INSERT INTO COUNTRY (COUNTRYCODE) VALUES ('nl')"); }).Number,
              contracts::dberr::kConstraint);
    EXPECT_EQ(ErrorOf([&] { connection->Execute("SELECT * FROM NOSUCHTABLE"); }).Number, contracts::dberr::kSyntax);
    connection->Execute("INSERT INTO COUNTRY (COUNTRYCODE) VALUES ('BE')");
    EXPECT_EQ(scope.End(), host::Outcome::Committed);
  }
  EXPECT_EQ(Count("COUNTRY"), 2);
}

}  // namespace
}  // namespace korvo::data
