// The PostgreSQL backend against a real server: its connection strings,
// error numbers, field kinds, dates under any DateStyle, the schema as it
// renders there, and a connection the server dropped. Tests marked so run on
// both backends: there PostgreSQL must behave as the embedded database does.
#include <signal.h>
#include <sys/types.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "data/data_fixture.h"
#include "platform/data/postgres/postgres_connection.h"
#include "platform/data/postgres/postgres_error.h"
#include "platform/data/provider_error.h"

namespace korvo::data {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testing::TempDatabase;

class PostgresTest : public DataTest {
 protected:
  void SetUp() override {
    if (testing::TestBackend() != testing::Backend::PostgreSQL) GTEST_SKIP() << "PostgreSQL only";
  }
  rt::Variant Value(const std::string& sql) const { return Exec(sql)->Value(0); }
};

// Both backends: no server is needed to refuse a connection string.
TEST(PostgresConnectionString, OptionsAreCheckedAndThePasswordNeverShows) {
  const auto open = [](const std::string& text) {
    return ErrorOf([&] { std::make_shared<Connection>()->Open(text); });
  };
  EXPECT_EQ(open("Driver=PostgreSQL;Host=127.0.0.1;Database=x;Colour=blue").Description,
            "Unknown connection string option 'colour'");
  EXPECT_EQ(open("Driver=PostgreSQL;Host=127.0.0.1;Password=s3cret").Description,
            "Connection string names no Database");

  auto connection = std::make_shared<Connection>();
  const auto refused = ErrorOf([&] {
    connection->Open(
        "driver=postgresql;Host=127.0.0.1;Port=1;Database=x;User=u;Password=s3cret;ConnectTimeout=5");
  });
  EXPECT_EQ(refused.Number, contracts::dberr::kProvider);
  EXPECT_EQ(refused.Source, kPostgresSource);
  // The client library's text names the options' keys, never their values.
  EXPECT_THAT(refused.Description, HasSubstr("<host>"));
  EXPECT_THAT(refused.Description, Not(HasSubstr("127.0.0.1")));
  EXPECT_THAT(refused.Description, Not(HasSubstr("s3cret")));
  ASSERT_EQ(connection->Errors().size(), 1u);
  EXPECT_THAT(connection->Errors()[0].description, Not(HasSubstr("s3cret")));
}

TEST_F(PostgresTest, ErrorsCarryTheMappedNumberAndTheSqlState) {
  Exec("INSERT INTO COUNTRY VALUES ('NL', 'Netherlands', 'NLD')");
  auto connection = Open();
  const auto expect = [&](const char* sql, std::int32_t number, const char* sqlState) {
    const auto error = ErrorOf([&] { connection->Execute(sql); });
    EXPECT_EQ(error.Number, number) << sql;
    EXPECT_EQ(error.Source, kPostgresSource);
    ASSERT_EQ(connection->Errors().size(), 1u);
    EXPECT_EQ(UnpackSqlState(connection->Errors()[0].nativeError), sqlState) << sql;
  };
  expect("SELECT * FROM NOSUCHTABLE", contracts::dberr::kSyntax, "42P01");
  expect("SELEC 1", contracts::dberr::kSyntax, "42601");
  expect("INSERT INTO COUNTRY VALUES ('nl', 'Again', 'NLD')", contracts::dberr::kConstraint, "23505");
  expect("SELECT 1 / 0", contracts::dberr::kProvider, "22012");
  // Unlike SQLite, PostgreSQL holds texts to their declared length.
  expect("INSERT INTO COUNTRY VALUES ('BE', 'Belgium', 'BELG')", contracts::dberr::kProvider, "22001");
  EXPECT_EQ(PackSqlState("40P01"), PackSqlState(UnpackSqlState(PackSqlState("40P01"))));
}

TEST_F(PostgresTest, FieldKindsComeFromTheColumnTypes) {
  auto rs = Exec(
      "SELECT CAST(7 AS SMALLINT) AS S, 7 AS I, CAST(5000000000 AS BIGINT) AS B, CAST(1.5 AS REAL) AS R, "
      "CAST(1.25 AS NUMERIC(5,2)) AS D, DATE '2024-03-07' AS DT, TIMESTAMP '2024-03-07 14:05:09' AS TS, "
      "TRUE AS F, CAST('ab' AS CHAR(3)) AS C, CAST(NULL AS INTEGER) AS N");
  const std::vector<std::pair<const char*, rt::VarType>> expected = {
      {"S", rt::VarType::Integer}, {"I", rt::VarType::Long},    {"B", rt::VarType::Long},
      {"R", rt::VarType::Double},  {"D", rt::VarType::Double},  {"DT", rt::VarType::Date},
      {"TS", rt::VarType::Date},   {"F", rt::VarType::Boolean}, {"C", rt::VarType::String},
      {"N", rt::VarType::Long}};
  ASSERT_EQ(rs->FieldCount(), static_cast<std::int32_t>(expected.size()));
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(rs->Field(static_cast<std::int32_t>(i)).name, expected[i].first);
    EXPECT_EQ(rs->Field(static_cast<std::int32_t>(i)).type, expected[i].second) << expected[i].first;
  }
  EXPECT_EQ(rs->Value("S").AsInteger(), 7);
  EXPECT_EQ(rs->Value("B").AsDouble(), 5000000000.0);  // beyond 32 bits
  EXPECT_EQ(rs->Value("D").AsDouble(), 1.25);
  EXPECT_EQ(rs->Value("TS").AsDate(), *rt::MakeDate({2024, 3, 7, 14, 5, 9}));
  EXPECT_EQ(rs->Value("C").AsString(), "ab ");
  EXPECT_TRUE(rs->Value("N").IsNull());
}

TEST_F(PostgresTest, DatesReadTheSameWhateverTheServersDateStyle) {
  const std::string database = Value("SELECT current_database()").AsString();
  Exec("ALTER DATABASE " + database + " SET DateStyle = 'SQL, DMY'");
  ConnectionPool::CloseIdle(db_.ConnectionString());  // new sessions start with that style
  Exec("INSERT INTO CURRENCYRATE (CURRENCYCODE, EFFECTIVEDATE) VALUES ('USD', '3/7/2024')");
  Exec("INSERT INTO CURRENCYRATE (CURRENCYCODE, EFFECTIVEDATE) VALUES (?, ?)",
       {Param("GBP"), Param(*rt::MakeDate({2024, 12, 1}))});
  auto rs = Exec(
      "SELECT CURRENCYCODE, EFFECTIVEDATE FROM CURRENCYRATE WHERE EFFECTIVEDATE >= '3/7/2024' "
      "ORDER BY EFFECTIVEDATE");
  ASSERT_EQ(rs->RecordCount(), 2);
  EXPECT_EQ(rs->Value("EFFECTIVEDATE").AsDate(), *rt::MakeDate({2024, 3, 7}));
  rs->MoveNext();
  EXPECT_EQ(rs->Value("EFFECTIVEDATE").AsDate(), *rt::MakeDate({2024, 12, 1}));
}

TEST_F(PostgresTest, TheSchemaRendersTheSameDefinitionsForPostgres) {
  auto column = [&](const char* table, const char* name) {
    return Exec(
        "SELECT data_type, collation_name, is_identity FROM information_schema.columns "
        "WHERE table_schema = current_schema() AND table_name = ? AND column_name = ?",
        {Param(table), Param(name)});
  };
  EXPECT_EQ(column("currency", "euro")->Value("DATA_TYPE").AsString(), "boolean");
  EXPECT_EQ(column("currencyrate", "effectivedate")->Value("DATA_TYPE").AsString(),
            "timestamp without time zone");
  EXPECT_EQ(column("currency", "currencycode")->Value("COLLATION_NAME").AsString(), "korvo_nocase");
  EXPECT_TRUE(column("currency", "currencyname")->Value("COLLATION_NAME").IsNull());
  EXPECT_EQ(column("address", "addressid")->Value("IS_IDENTITY").AsString(), "YES");
  EXPECT_EQ(
      Value(
          "SELECT COUNT(*) FROM information_schema.table_constraints WHERE constraint_type = 'FOREIGN KEY'")
          .AsLong(),
      0);
  EXPECT_EQ(Value("SELECT VERSION FROM KORVOSCHEMAVERSION").AsLong(), kSchemaVersion);
}

TEST_F(PostgresTest, AConnectionTheServerDroppedIsOpenedAgain) {
  EXPECT_EQ(ErrorOf([&] { Exec("SELECT pg_terminate_backend(pg_backend_pid())"); }).Number,
            contracts::dberr::kProvider);
  EXPECT_EQ(Stats().inUse, 0u);
  EXPECT_EQ(Value("SELECT 1").AsLong(), 1);  // the same pooled connection, reconnected
}

// A server that stops answering (here the session's own server process,
// stopped as a frozen machine would be) costs the command timeout, not the
// time until it wakes; the connection is opened again afterwards.
TEST_F(PostgresTest, AFrozenServerGivesAnErrorWithinTheCommandTimeoutAndTheSessionRecovers) {
  auto connection = std::make_shared<Connection>();
  connection->Open(db_.ConnectionString() + ";CommandTimeout=2");
  const pid_t server = connection->Execute("SELECT pg_backend_pid()")->Value(0).AsLong();
  ASSERT_EQ(kill(server, SIGSTOP), 0);
  const auto start = std::chrono::steady_clock::now();
  const auto frozen = ErrorOf([&] { connection->Execute("SELECT COUNT(*) FROM CURRENCY"); });
  const auto waited = std::chrono::steady_clock::now() - start;
  kill(server, SIGCONT);
  EXPECT_EQ(frozen.Number, contracts::dberr::kProvider);
  EXPECT_THAT(frozen.Description, HasSubstr("did not answer within 2 seconds"));
  EXPECT_GE(waited, std::chrono::seconds(2));
  EXPECT_LT(waited, std::chrono::seconds(6));
  EXPECT_EQ(connection->Execute("SELECT COUNT(*) FROM CURRENCY")->Value(0).AsLong(), 0);
  EXPECT_EQ(ErrorOf([&] {
              std::make_shared<Connection>()->Open(db_.ConnectionString() + ";CommandTimeout=x");
            }).Description,
            "CommandTimeout must be a number of seconds");
}

// A server that refuses to take a dropped connection back: the text shows
// the connection string's options by key, and the rest as the client
// library wrote it (the address "localhost" resolved to stays readable).
TEST_F(PostgresTest, AFailureToConnectAgainShowsOptionKeysAndLeavesTheRestAlone) {
  if (db_.ConnectionString().find("Host=127.0.0.1;") == std::string::npos)
    GTEST_SKIP() << "needs a loopback server";
  testing::AdministerPostgres("DROP ROLE IF EXISTS korvo_leaving");
  testing::AdministerPostgres("CREATE ROLE korvo_leaving LOGIN SUPERUSER");
  const std::string leaving = db_.ConnectionString() + ";Host=localhost;User=korvo_leaving";
  auto connection = std::make_shared<Connection>();
  connection->Open(leaving);
  EXPECT_EQ(connection->Execute("SELECT 1")->Value(0).AsLong(), 1);
  testing::AdministerPostgres("ALTER ROLE korvo_leaving NOLOGIN");
  testing::AdministerPostgres(
      "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = 'korvo_leaving'");

  EXPECT_EQ(ErrorOf([&] { connection->Execute("SELECT 1"); }).Number, contracts::dberr::kProvider);
  const auto refused = ErrorOf([&] { connection->Execute("SELECT 1"); });
  ConnectionPool::CloseIdle(leaving);
  testing::AdministerPostgres("DROP ROLE korvo_leaving");
  EXPECT_EQ(refused.Number, contracts::dberr::kProvider);
  EXPECT_THAT(refused.Description, HasSubstr("\"<host>\""));
  EXPECT_THAT(refused.Description, HasSubstr("<user>"));
  EXPECT_THAT(refused.Description, HasSubstr("127.0.0.1"));
  EXPECT_THAT(refused.Description, Not(HasSubstr("korvo_leaving"))) << refused.Description;
}

TEST_F(PostgresTest, AStatementPreparedAgainInANewSessionDescribesItsColumnsAgain) {
  Exec("INSERT INTO COUNTRY VALUES ('NL', 'Netherlands', 'NLD')");
  auto connection = Open();
  const std::string everything = "SELECT * FROM COUNTRY";
  EXPECT_EQ(connection->Execute(everything)->FieldCount(), 3);
  auto again = connection->Execute(everything);
  ASSERT_EQ(again->FieldCount(), 3);
  EXPECT_EQ(again->Field(2).name, "ISOCODE");
  EXPECT_EQ(again->Value("ISOCODE").AsString(), "NLD");

  // The session ends, taking the prepared statement with it, while the table
  // gains a column: the same text prepared anew answers four columns.
  ErrorOf([&] { connection->Execute("SELECT pg_terminate_backend(pg_backend_pid())"); });
  Exec("ALTER TABLE COUNTRY ADD COLUMN REGION INTEGER");
  auto rs = connection->Execute(everything);
  ASSERT_EQ(rs->FieldCount(), 4);
  EXPECT_EQ(rs->Field(3).name, "region");
  EXPECT_EQ(rs->Field(3).type, rt::VarType::Long);
  ASSERT_EQ(rs->RecordCount(), 1);
  EXPECT_EQ(rs->Value("ISOCODE").AsString(), "NLD");
  EXPECT_TRUE(rs->Value("region").IsNull());
}

TEST_F(PostgresTest, StatementsTheCacheForgetsAreDeallocatedOnTheServer) {
  auto connection = Open();
  for (int i = 0; i < 100; ++i) connection->Execute("SELECT " + std::to_string(i));
  const auto prepared =
      connection->Execute("SELECT COUNT(*) FROM pg_prepared_statements WHERE name ~ '^korvo_[0-9]+$'")
          ->Value(0)
          .AsLong();
  EXPECT_LE(prepared, static_cast<std::int32_t>(PostgresConnection::kStatementCacheSize) + 1);
}

// Both backends.
TEST_F(DataTest, AnEmptyDatabaseGetsTheSchemaOnFirstOpenAForeignOneOnlyOnRequest) {
  TempDatabase empty(TempDatabase::Schema::None);
  auto connection = std::make_shared<Connection>();
  connection->Open(empty.ConnectionString());
  EXPECT_EQ(connection->Execute("SELECT COUNT(*) FROM CURRENCY")->Value(0).AsLong(), 0);
  connection->Close();

  TempDatabase foreign(TempDatabase::Schema::None);
  {
    const auto options = ParseConnectionString(foreign.ConnectionString());
    FindDriver(options.driver()).Connect(options)->Prepare("CREATE TABLE OTHER (X INTEGER)").Run({}, 0);
  }
  connection->Open(foreign.ConnectionString());  // has tables: not ours to touch
  EXPECT_EQ(ErrorOf([&] { connection->Execute("SELECT COUNT(*) FROM CURRENCY"); }).Number,
            contracts::dberr::kSyntax);
  connection->Close();
  InitializeDatabase(foreign.ConnectionString());
  InitializeDatabase(foreign.ConnectionString());  // idempotent
  connection->Open(foreign.ConnectionString());
  EXPECT_EQ(connection->Execute("SELECT COUNT(*) FROM ROLE")->Value(0).AsLong(), 0);
  EXPECT_EQ(connection->Execute("SELECT COUNT(*) FROM OTHER")->Value(0).AsLong(), 0);
  connection->Close();
}

// Both backends.
TEST_F(DataTest, FlagColumnsTakeTheLibrarysTruthValues) {
  Exec("INSERT CURRENCY (CURRENCYCODE, HOMECURRENCY, EURO, EPC) VALUES ('EUR', 1, 0, ?)", {Param(true)});
  Exec("UPDATE CURRENCY SET EURO=1 WHERE CURRENCYCODE='eur'");
  Exec("UPDATE CURRENCY SET EPC = ? WHERE CURRENCYCODE = ?", {Param(std::int32_t{0}), Param("EUR")});
  auto rs = Exec("SELECT HOMECURRENCY, EURO, EPC FROM CURRENCY WHERE HOMECURRENCY=1 AND EURO <> 0");
  ASSERT_EQ(rs->RecordCount(), 1);
  EXPECT_EQ(rs->Value("HOMECURRENCY").AsBool(), true);
  EXPECT_EQ(rs->Value("EURO").AsBool(), true);
  EXPECT_EQ(rs->Value("EPC").AsBool(), false);
}

}  // namespace
}  // namespace korvo::data
