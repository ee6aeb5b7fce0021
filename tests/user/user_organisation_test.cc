// Offices, employees, departments, warehouses and workcentres as the User
// class reads them.
#include <gmock/gmock.h>

#include "user_fixture.h"

namespace korvo::common::user_testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class UserOrganisationTest : public UserTest {
 protected:
  void AddEmployee(const std::string& id, const std::string& department) {
    Execute("INSERT INTO EMPLOYEE (EMPLOYEEID, EMPLOYEENAME, DEPARTMENT) VALUES ('" + id +
            "', 'Name of " + id + "', " + department + ")");
  }

  static std::vector<std::string> Column(contracts::RecordsetRef rows, const char* field) {
    std::vector<std::string> values;
    for (; !rows->IsEOF(); rows->MoveNext()) values.push_back(rt::CStr(rows->Value(field)));
    return values;
  }
};

TEST_F(UserOrganisationTest, OfficeListsByTypeAndTheRowOfOneOffice) {
  AddOffice("Head office", user::Administrative, "1");
  AddOffice("O'Brien buying", user::Purchase, "NULL");
  EXPECT_THAT(Items(user_->GetAllAdministrativeOffices()), ElementsAre("Head office"));
  EXPECT_THAT(Items(user_->GetAllPurchaseOffices()), ElementsAre("O'Brien buying"));

  rt::DictionaryRef office = user_->GetOfficeParams("O'Brien buying");
  EXPECT_EQ(Keys(office).front(), "OFFICEDESCRIPTION");
  EXPECT_EQ(office->Count(), 24);
  EXPECT_TRUE(office->Item("ADDRESSID").IsNull());
  EXPECT_EQ(user_->GetOfficeParams("Nowhere")->Count(), 0);
}

TEST_F(UserOrganisationTest, TheOfficeDictionaryOfAnOfficeWithAnApostrophe) {
  AddOffice("O'Brien buying", user::Administrative, "NULL", "NULL", "'WC1'");
  Execute("UPDATE OFFICE SET SHIPTOCONTACTINFORMATION = 'Dock 4' WHERE OFFICETYPE = 1");
  Seed("ann", {{"ADMINOFFICE", {"O'Brien buying"}}});
  EXPECT_EQ(user_->GetShipToContactInformation("ann"), "Dock 4");
  EXPECT_EQ(user_->GetCurrencyCode("ann"), "EUR");
  // Null numbers read as -1 through the dictionary's defaults.
  EXPECT_EQ(user_->GetAddressID("ann"), -1);
  EXPECT_EQ(user_->GetCreditCardType("ann"), -1);
}

TEST_F(UserOrganisationTest, OneOfficeIsReadOnceForSeveralAttributes) {
  AddOffice("Head office", user::Administrative, "7");
  Seed("ann", {{"ADMINOFFICE", {"Head office"}}});
  user_->GetAddressID("ann");
  const auto statements = StatementsOf([&] {
    user_->GetCurrencyCode("ann");
    user_->GetShipToContactInformation("ann");
  });
  EXPECT_THAT(statements, IsEmpty());
}

TEST_F(UserOrganisationTest, OfficesOfMatchingUsersAndAUsersWarehouse) {
  Execute("INSERT INTO WAREHOUSE VALUES ('WH1', 'Main store', 3)");
  AddOffice("Head office", user::Administrative, "1");
  Execute("UPDATE OFFICE SET WAREHOUSE = 'WH1'");
  Seed("ann", {{"ADMINOFFICE", {"Head office"}}});
  Seed("bob");
  EXPECT_THAT(Items(user_->SearchOfficesByUser("ANN")), ElementsAre("Head office"));
  EXPECT_THAT(Items(user_->SearchOfficesByUser("bob")), IsEmpty());
  rt::Variant ann("ann"), bob("bob");
  EXPECT_EQ(user_->GetWarehouseOfUser(ann), "WH1");
  EXPECT_EQ(user_->GetWarehouseOfUser(bob), "");
}

TEST_F(UserOrganisationTest, EmployeeListsAreNothingWhenEmpty) {
  EXPECT_EQ(user_->GetAllEmployees(std::nullopt), nullptr);
  EXPECT_EQ(user_->GetAllEmployeesbyDepartment("Sales"), nullptr);
  AddEmployee("E2", "'Sales'");
  AddEmployee("E1", "NULL");
  EXPECT_THAT(Column(user_->GetAllEmployees(std::nullopt), "EMPLOYEEID"), ElementsAre("E1", "E2"));
  EXPECT_THAT(Column(user_->GetAllEmployeesbyDepartment("Sales"), "EMPLOYEEID"), ElementsAre("E2"));
  EXPECT_THAT(Keys(user_->GetAllDepartments()), ElementsAre("Sales"));
  EXPECT_EQ(rt::CStr(user_->GetEmployeeDetails("E2")->Item("EMPLOYEENAME")), "Name of E2");
  EXPECT_EQ(user_->GetEmployeeDetails("E9")->Count(), 0);
}

TEST_F(UserOrganisationTest, ChosenEmployeeColumnsAreCheckedBeforeAnyStatement) {
  AddEmployee("E1", "'Sales'");
  const auto statements = StatementsOf([&] {
    contracts::RecordsetRef rows = user_->GetAllEmployees(Texts({"EMPLOYEEID", "DEPARTMENT"}));
    EXPECT_EQ(rows->FieldCount(), 2);
  });
  EXPECT_THAT(statements, ElementsAre("SELECT EMPLOYEEID,DEPARTMENT FROM EMPLOYEE ORDER BY EMPLOYEEID"));

  rt::ErrorRecord error;
  const auto refused = StatementsOf([&] {
    error = ErrorOf([&] { user_->GetAllEmployees(Texts({"EMPLOYEEID", "1 FROM ROLE --"})); });
  });
  EXPECT_THAT(refused, IsEmpty());
  EXPECT_EQ(error.Number, rt::errnum::kTypeMismatch);
  EXPECT_THAT(error.Description, HasSubstr("Invalid identifier: 1 FROM ROLE --"));
  EXPECT_THAT(LoggedMethods(), ElementsAre("KorvoCommon.User.getAllEmployees"));
}

TEST_F(UserOrganisationTest, EmployeePagesThroughANewPagedRecordsetOrTheCallersPage) {
  for (const char* id : {"E1", "E2", "E3"}) AddEmployee(id, "'Sales'");
  rt::ObjectRef first = user_->GetEmployeeData(rt::Variant(), "", 2, std::nullopt, std::nullopt);
  EXPECT_EQ(rt::CLng(first->Invoke("RecordCount", rt::InvokeKind::PropertyGet, {})), 3);
  EXPECT_EQ(rt::CLng(first->Invoke("PageCount", rt::InvokeKind::PropertyGet, {})), 2);

  rt::ObjectRef page = infra::Gen_GetComponent("KorvoLibrary.Page");
  rt::Variant two(2);
  page->Invoke("RequestPage", rt::InvokeKind::Method, {&two, 1});
  std::vector<std::string> statements;
  rt::ObjectRef chosen;
  statements = StatementsOf([&] {
    chosen = user_->GetEmployeeData(rt::Variant(page), "", 2, Texts({"E1", "E3", "O'Neil"}),
                                    std::string("EMPLOYEEID DESC"));
  });
  EXPECT_EQ(rt::CLng(chosen->Invoke("PageNumber", rt::InvokeKind::PropertyGet, {})), 1);
  EXPECT_EQ(rt::CLng(chosen->Invoke("RecordCount", rt::InvokeKind::PropertyGet, {})), 2);
  EXPECT_THAT(statements, Contains(HasSubstr("EMPLOYEEID IN ('E1', 'E3', 'O''Neil')")));

  rt::ObjectRef none = user_->GetEmployeeData(rt::Variant(), "", 2, Texts({}), std::nullopt);
  EXPECT_EQ(rt::CLng(none->Invoke("RecordCount", rt::InvokeKind::PropertyGet, {})), 0);
}

TEST_F(UserOrganisationTest, EmployeeRangesIncludeTheirBounds) {
  AddEmployee("E1", "'Sales'");
  AddEmployee("E2", "'Sales'");
  AddEmployee("E3", "'Stock'");
  EXPECT_THAT(Column(user_->GetRangeOfEmployees("E2", "E2", "Sales", "Sales"), "EMPLOYEEID"),
              ElementsAre("E2"));
  EXPECT_THAT(Column(user_->GetRangeOfEmployees("E1", "E3", "A", "Z"), "EMPLOYEEID"),
              ElementsAre("E1", "E2", "E3"));
}

TEST_F(UserOrganisationTest, WarehousesAndWorkcentresByCodeAndBackOffice) {
  Execute("INSERT INTO WAREHOUSE VALUES ('WH1', 'Main store', 3)");
  Execute("INSERT INTO WAREHOUSE VALUES ('WH2', 'Annex', 4)");
  Execute("INSERT INTO WORKCENTER VALUES ('WC1', 3, 'Assembly', 1)");
  std::int16_t system = 3;
  EXPECT_THAT(Keys(user_->GetAllWarehouses()), ElementsAre("WH1", "WH2"));
  EXPECT_THAT(Keys(user_->GetWarehousesByZRKID(system)), ElementsAre("WH1"));
  EXPECT_THAT(Keys(user_->GetWorkcentersByZRKID(system)), ElementsAre("WC1"));

  std::string code = "  WH1 ";
  EXPECT_THAT(Keys(user_->GetWarehouseDetails(code)),
              ElementsAre("WAREHOUSECODE", "WAREHOUSEDESCRIPTION", "ZRKID"));
  std::string workcenter = "WC1";
  rt::DictionaryRef details = user_->GetWorkcenterDetails(workcenter);
  EXPECT_THAT(Keys(details),
              ElementsAre("WORKCENTERCODE", "WORKCENTERDESCRIPTION", "COSTCENTER", "ZRKID"));
  EXPECT_TRUE(rt::CBool(details->Item("COSTCENTER")));
}

TEST_F(UserOrganisationTest, MissingWarehouseAndWorkcentreReachTheCallerUnlogged) {
  std::string code = "NONE";
  rt::ErrorRecord error = ErrorOf([&] { user_->GetWarehouseDetails(code); });
  EXPECT_EQ(error.Number, -2147221402);
  EXPECT_EQ(error.Source, "KorvoCommon.User.GetWarehouseDetails");
  EXPECT_EQ(error.Description, "WarehouseCode Not Found");
  error = ErrorOf([&] { user_->GetWorkcenterDetails(code); });
  EXPECT_EQ(error.Number, -2147221401);
  EXPECT_EQ(error.Description, "WorkcenterCode Not Found");
  EXPECT_THAT(LoggedMethods(), IsEmpty());
}

TEST_F(UserOrganisationTest, CostCentreTestIsFalseForNullAndMissingWorkcentres) {
  Execute("INSERT INTO WORKCENTER VALUES ('WC1', 3, 'Assembly', 1)");
  Execute("INSERT INTO WORKCENTER VALUES ('WC2', 3, 'Paint', NULL)");
  rt::Variant wc1("WC1"), wc2("WC2"), none("NONE");
  EXPECT_TRUE(user_->IsCostCenter(wc1));
  EXPECT_FALSE(user_->IsCostCenter(wc2));
  EXPECT_FALSE(user_->IsCostCenter(none));
}

}  // namespace
}  // namespace korvo::common::user_testing
