// Connections opened during one call: one shared physical connection, one
// read snapshot for the call's reads (on SQLite, where that saves the
// per-statement locking), writes that still commit at once, and nothing held
// once the call has returned.
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "data/data_fixture.h"
#include "platform/host/call_scope.h"
#include "platform/host/host_scope.h"

namespace korvo::data {
namespace {

bool OnSqlite() { return testing::TestBackend() == testing::Backend::SQLite; }

class CallSessionTest : public DataTest {
 protected:
  void InsertCountry(Connection& connection, const char* code) {
    connection.Execute("INSERT INTO COUNTRY (COUNTRYCODE) VALUES (?)", std::vector{Param(code)});
  }
  std::int32_t CountOn(Connection& connection) {
    return connection.Execute("SELECT COUNT(*) FROM COUNTRY")->Value(0).AsLong();
  }
  // What another request, on a thread of its own, does or sees meanwhile.
  template <class Fn>
  void Elsewhere(Fn fn) {
    std::thread([&] { fn(); }).join();
  }
  std::int32_t CountElsewhere() {
    std::int32_t count = -1;
    Elsewhere([&] { count = Count("COUNTRY"); });
    return count;
  }
  void InsertElsewhere(const char* code) {
    Elsewhere([&] { InsertCountry(*Open(), code); });
  }
  // Every physical connection is back in the pool and, on SQLite, no reader
  // holds a snapshot: after a new write, a checkpoint that empties the
  // write-ahead log completes (a reader on an older snapshot stops it).
  void ExpectNothingHeld() {
    EXPECT_EQ(Stats().inUse, 0u);
    if (!OnSqlite()) return;
    Elsewhere([&] {
      auto connection = Open();
      InsertCountry(*connection, "ZZ");
      auto rows = connection->Execute("PRAGMA wal_checkpoint(TRUNCATE)");
      EXPECT_EQ(rows->Value(0).AsLong(), 0) << "a snapshot is still held";
    });
  }
};

TEST_F(CallSessionTest, ACallReadsOneSnapshotAndTheNextCallSeesNewData) {
  KORVO_SQLITE_ONLY("PostgreSQL reads pay no per-statement locking, so a call's reads take no snapshot");
  InsertCountry(*Open(), "NL");
  {
    host::CallScope call;
    auto first = Open();
    EXPECT_EQ(CountOn(*first), 1);
    InsertElsewhere("BE");
    EXPECT_EQ(CountElsewhere(), 2);
    EXPECT_EQ(CountOn(*first), 1);   // still the call's snapshot
    EXPECT_EQ(CountOn(*Open()), 1);  // also for the call's other connections
  }
  host::CallScope next;
  EXPECT_EQ(CountOn(*Open()), 2);
}

TEST_F(CallSessionTest, ConnectionsOfOneCallShareOnePhysicalConnection) {
  {
    host::CallScope call;
    auto first = Open();
    auto second = Open();
    EXPECT_EQ(CountOn(*first), 0);
    EXPECT_EQ(CountOn(*second), 0);
    EXPECT_EQ(Stats().inUse, 1u);
    first->Close();
    second->Close();
    EXPECT_EQ(Stats().inUse, 1u);  // kept for the rest of the call
  }
  EXPECT_GE(Stats().idle, 1u);
  ExpectNothingHeld();
}

TEST_F(CallSessionTest, AWriteInACallCommitsAtOnceAndLaterReadsSeeIt) {
  host::CallScope call;
  auto connection = Open();
  EXPECT_EQ(CountOn(*connection), 0);  // on SQLite a snapshot is open now
  InsertCountry(*connection, "NL");
  EXPECT_EQ(CountElsewhere(), 1);  // committed before the call returns
  EXPECT_EQ(CountOn(*connection), 1);
  InsertElsewhere("BE");
  // The read after the write took a new snapshot, which the call keeps.
  if (OnSqlite()) {
    EXPECT_EQ(CountOn(*connection), 1);
  }
}

TEST_F(CallSessionTest, OnlyTheOutermostCallEndsIt) {
  host::CallScope outer;
  auto connection = Open();
  {
    host::CallScope inner;
    EXPECT_EQ(CountOn(*Open()), 0);
  }
  EXPECT_EQ(Stats().inUse, 1u);
  InsertElsewhere("NL");
  if (OnSqlite()) {
    EXPECT_EQ(CountOn(*connection), 0);  // still the outer call's snapshot
  }
}

TEST_F(CallSessionTest, ACallEndingInAFailureReleasesEverything) {
  try {
    host::CallScope call;
    EXPECT_EQ(CountOn(*Open()), 0);
    throw std::runtime_error("the method failed");
  } catch (const std::runtime_error&) {
  }
  ExpectNothingHeld();
}

TEST_F(CallSessionTest, AConnectionKeptAfterItsCallGoesOnOnItsOwn) {
  std::shared_ptr<Connection> kept;
  {
    host::CallScope call;
    kept = Open();
    EXPECT_EQ(CountOn(*kept), 0);
  }
  InsertElsewhere("NL");
  EXPECT_EQ(CountOn(*kept), 1);
  InsertCountry(*kept, "BE");
  EXPECT_EQ(CountElsewhere(), 2);
  kept->Close();
  ExpectNothingHeld();
}

TEST_F(CallSessionTest, AHostTransactionInsideACallKeepsItsOwnConnection) {
  host::CallScope call;
  EXPECT_EQ(CountOn(*Open()), 0);
  {
    host::HostScope scope;
    InsertCountry(*Open(), "NL");
    EXPECT_EQ(Stats().inUse, 2u);  // the transaction's and the call's
    EXPECT_EQ(scope.End(), host::Outcome::Committed);
  }
  EXPECT_EQ(CountElsewhere(), 1);
}

TEST_F(CallSessionTest, OutsideACallEveryStatementStandsAlone) {
  auto connection = Open();
  EXPECT_EQ(CountOn(*connection), 0);
  InsertElsewhere("NL");
  EXPECT_EQ(CountOn(*connection), 1);
  connection->Close();
  ExpectNothingHeld();
}

}  // namespace
}  // namespace korvo::data
