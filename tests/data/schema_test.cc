// The schema as created in a real database, and the references exposed to
// the referential checker.
#include "platform/data/schema.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "data/data_fixture.h"

namespace korvo::data {
namespace {

class SchemaTest : public DataTest {
 protected:
  std::vector<std::string> Columns(const std::string& table) {
    std::vector<std::string> names;
    auto rs = Exec("SELECT * FROM " + table + " WHERE 1 = 0");
    for (std::int32_t i = 0; i < rs->FieldCount(); ++i) names.push_back(rs->Field(i).name);
    return names;
  }
};

// A path for a database file that does not exist yet, removed afterwards.
class ScratchFile {
 public:
  ScratchFile()
      : path_(std::filesystem::temp_directory_path() / ("korvo-scratch-" + std::to_string(getpid()))) {}
  ~ScratchFile() {
    ConnectionPool::CloseIdle(ConnectionString());
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path_.string() + suffix);
  }
  std::string ConnectionString() const { return "Driver=SQLite;Database=" + path_.string(); }

 private:
  std::filesystem::path path_;
};

TEST_F(SchemaTest, EveryTableIsCreatedWithItsColumnsInOrder) {
  for (const auto& table : SchemaTables()) {
    std::vector<std::string> expected;
    for (const auto& column : table.columns) expected.push_back(column.name);
    EXPECT_EQ(Columns(table.name), expected) << table.name;
  }
  EXPECT_NE(FindTable("office"), nullptr);
  EXPECT_EQ(FindTable("ADDRESS")->IdentityColumn(), "ADDRESSID");
  if (testing::TestBackend() == testing::Backend::SQLite) {  // a pragma of the file
    EXPECT_EQ(Exec("PRAGMA user_version")->Value(0).AsLong(), kSchemaVersion);
  }
}

TEST_F(SchemaTest, ReferencesNameRealColumnsAndAreDeclared) {
  for (const auto& ref : SchemaReferences()) {
    const TableDef* child = FindTable(ref.childTable);
    const TableDef* parent = FindTable(ref.parentTable);
    ASSERT_TRUE(child && parent) << ref.childTable << " -> " << ref.parentTable;
    ASSERT_EQ(ref.childColumns.size(), ref.parentColumns.size());
    for (const auto& c : ref.childColumns)
      EXPECT_NE(child->FindColumn(c), nullptr) << ref.childTable << "." << c;
    EXPECT_EQ(parent->primaryKey, ref.parentColumns) << ref.parentTable;
  }
  const auto owned =
      std::count_if(SchemaReferences().begin(), SchemaReferences().end(), [](const Reference& r) {
        return r.owned && r.childTable == "CURRENCYRATE" && r.parentTable == "CURRENCY";
      });
  EXPECT_EQ(owned, 1);
  // PostgreSQL would enforce declared foreign keys, so they are declared to
  // SQLite only.
  if (testing::TestBackend() == testing::Backend::SQLite) {
    auto declared = Exec("SELECT * FROM pragma_foreign_key_list('CURRENCYRATE')");
    ASSERT_EQ(declared->RecordCount(), 1);
    EXPECT_EQ(declared->Value("table").AsString(), "CURRENCY");
  }
}

TEST_F(SchemaTest, DeclaredReferencesAreLeftToTheLibraryToEnforce) {
  // Rates of a currency the library deletes stay until it deletes them.
  Exec("INSERT INTO CURRENCY (CURRENCYCODE) VALUES ('USD')");
  Exec("INSERT INTO CURRENCYRATE (CURRENCYCODE, EFFECTIVEDATE) VALUES ('USD', '1/1/2024')");
  Exec("DELETE FROM CURRENCY WHERE CURRENCYCODE = 'USD'");
  EXPECT_EQ(Count("CURRENCYRATE"), 1);
}

TEST_F(SchemaTest, IdentityKeysAreNeverReused) {
  Exec("INSERT INTO BUSINESSPARTNERGROUP (BPGROUPNAME) VALUES ('A')");
  Exec("INSERT INTO BUSINESSPARTNERGROUP (BPGROUPNAME) VALUES ('B')");
  Exec("DELETE FROM BUSINESSPARTNERGROUP WHERE BPGROUPNAME = 'B'");
  Exec("INSERT INTO BUSINESSPARTNERGROUP (BPGROUPNAME) VALUES ('C')");
  EXPECT_EQ(Exec("SELECT BUSINESSPARTNERGRPID FROM BUSINESSPARTNERGROUP WHERE BPGROUPNAME = 'C'")
                ->Value(0)
                .AsLong(),
            3);
}

TEST_F(SchemaTest, ANewDatabaseFileIsInitialisedOnFirstOpen) {
  KORVO_SQLITE_ONLY("a database file");
  ScratchFile file;
  auto connection = std::make_shared<Connection>();
  connection->Open(file.ConnectionString());
  EXPECT_EQ(connection->Execute("SELECT COUNT(*) FROM CURRENCY")->Value(0).AsLong(), 0);
  EXPECT_EQ(connection->Execute("PRAGMA journal_mode")->Value(0).AsString(), "wal");
}

TEST_F(SchemaTest, AForeignDatabaseIsOnlyChangedOnRequest) {
  KORVO_SQLITE_ONLY("a database file");
  ScratchFile file;
  auto connection = std::make_shared<Connection>();
  connection->Open(file.ConnectionString());
  connection->Execute("DROP TABLE ROLE");
  connection->Execute("PRAGMA user_version = 0");
  connection->Close();
  ConnectionPool::CloseIdle(file.ConnectionString());
  connection->Open(file.ConnectionString());  // has tables: not ours to touch
  EXPECT_EQ(
      connection->Execute("SELECT COUNT(*) FROM sqlite_master WHERE name = 'ROLE'")->Value(0).AsLong(),
      0);
  connection->Close();
  InitializeDatabase(file.ConnectionString());
  InitializeDatabase(file.ConnectionString());  // idempotent
  connection->Open(file.ConnectionString());
  EXPECT_EQ(connection->Execute("SELECT COUNT(*) FROM ROLE")->Value(0).AsLong(), 0);
  EXPECT_EQ(connection->Execute("PRAGMA user_version")->Value(0).AsLong(), kSchemaVersion);
}

}  // namespace
}  // namespace korvo::data
