// The tables BusinessPartner's script methods accept, with the data object
// kind each becomes and the columns copied into it, key column first.
#pragma once

#include <span>

#include "infrastructure/script_data_object.h"

namespace korvo::common::bp_script {

inline constexpr const char* kPartnerKind = "BPDataObject";
inline constexpr const char* kAddressKind = "AddressDataObject";
inline constexpr const char* kCustomerKind = "CustomerDataObject";
inline constexpr const char* kGroupKind = "BPGroupDataObject";

// COMPANYNUMBER is copied from the script arrays although the partner table
// has no such column: a partner that carries one fails on the write.
inline constexpr const char* kPartnerScriptColumns[] = {"BUSINESSPARTNERID",
                                                        "GLOBALPARTNERCLASSIFICATIONCODE",
                                                        "SHIPPINGADDRESSID",
                                                        "POSTALADDRESSID",
                                                        "SOLDTOADDRESSID",
                                                        "CURRENCYCODE",
                                                        "NAME",
                                                        "ZRKCUSTOMERCODE",
                                                        "ZRKSUPPLIERCODE",
                                                        "USERID",
                                                        "DEFAULTSUPPLIERCODE",
                                                        "BUSINESSID",
                                                        "PRICINGMETHOD",
                                                        "QTXENABLED",
                                                        "ORDERREQUESTURL",
                                                        "BPURL",
                                                        "ZRKCREDITCARDCUSTOMERCODE",
                                                        "DUNSNUMBER",
                                                        "ISONETIMEBP",
                                                        "ISINTERNALBP",
                                                        "COMPANYNUMBER"};
inline constexpr const char* kAddressScriptColumns[] = {
    "ADDRESSID", "COUNTRYCODE",   "NAME1",   "NAME2", "STREET1", "STREET2",          "CITY1",
    "CITY2",     "STATEPROVINCE", "ZIPCODE", "PHONE", "FAX",     "SHORTDESCRIPTION", "ZRKADDRESSCODE"};
inline constexpr const char* kCustomerScriptColumns[] = {"BUSINESSPARTNERID", "CUSTOMERNAME",
                                                         "ORDERDISCOUNTPERC", "CARRIERCODE"};
inline constexpr const char* kGroupScriptColumns[] = {"BUSINESSPARTNERGRPID", "BPGROUPNAME",
                                                      "BPGROUPDESCRIPTION"};

inline constexpr infra::ScriptTable kScriptTables[] = {
    {"BUSINESSPARTNER", kPartnerKind, kPartnerScriptColumns, 1},
    {"ADDRESS", kAddressKind, kAddressScriptColumns, 1},
    {"CUSTOMER", kCustomerKind, kCustomerScriptColumns, 1},
    {"BUSINESSPARTNERGROUP", kGroupKind, kGroupScriptColumns, 1},
};

}  // namespace korvo::common::bp_script
