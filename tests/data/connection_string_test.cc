// Connection-string parsing and the choice of driver.
#include "platform/data/connection_string.h"

#include <gtest/gtest.h>

#include "data/data_fixture.h"
#include "platform/contracts/database.h"
#include "platform/data/driver.h"
#include "platform/runtime/error.h"

namespace korvo::data {
namespace {

TEST(ConnectionString, ReadsPairsWithoutRegardToCaseOrBlanks) {
  const auto options = ParseConnectionString(" driver = SQLite ; DATABASE=/tmp/a b.db;;BusyTimeout=10;");
  EXPECT_EQ(options.driver(), "SQLite");
  EXPECT_EQ(options.Get("Database"), "/tmp/a b.db");
  EXPECT_EQ(options.Get("busytimeout"), "10");
  EXPECT_EQ(options.Get("Password"), std::nullopt);
}

TEST(ConnectionString, QuotedValuesMayHoldSeparatorsAndTheirQuote) {
  const auto options = ParseConnectionString("Driver=SQLite;Database=\"/tmp/x;y.db\";Note='it''s = ok'");
  EXPECT_EQ(options.Get("Database"), "/tmp/x;y.db");
  EXPECT_EQ(options.Get("note"), "it's = ok");
  EXPECT_EQ(ParseConnectionString("Driver=A;Key=1;key=2").Get("KEY"), "2");
}

TEST(ConnectionString, MalformedTextsRaiseWithoutEchoingValues) {
  for (const char* text : {"Driver=SQLite;Password='s3cret", "Driver=SQLite;Password='s3cret'x",
                           "Driver=SQLite;=s3cret", "Driver=SQLite;Password s3cret"}) {
    const auto error = ErrorOf([&] { ParseConnectionString(text); });
    EXPECT_EQ(error.Number, contracts::dberr::kProvider) << text;
    EXPECT_EQ(error.Description, "Malformed connection string") << text;
  }
  EXPECT_EQ(ErrorOf([] { ParseConnectionString("Database=x.db;Password=s3cret"); }).Description,
            "Connection string names no driver");
}

TEST(ConnectionString, UnknownDriversAndOptionsAreNamedButNotTheirValues) {
  auto error = ErrorOf([] { FindDriver("Oracle"); });
  EXPECT_EQ(error.Number, contracts::dberr::kProvider);
  EXPECT_EQ(error.Description, "Unknown driver 'Oracle'");
  EXPECT_NO_THROW(FindDriver("sqlite"));
  const auto options = ParseConnectionString("Driver=SQLite;Database=/tmp/never.db;Password=s3cret");
  error = ErrorOf([&] { FindDriver(options.driver()).Connect(options); });
  EXPECT_EQ(error.Description, "Unknown connection string option 'password'");
  EXPECT_EQ(error.Description.find("s3cret"), std::string::npos);
}

}  // namespace
}  // namespace korvo::data
