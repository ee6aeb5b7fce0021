// Where each directory attribute lives on the LDAP server.
//
// Users are inetOrgPerson entries named uid=<user ID> below the users'
// subtree, with the auxiliary class korvoUser (korvo-schema.ldif). The
// attributes of the user classes map to standard inetOrgPerson attributes
// where one means the same thing (SURNAME sn, GIVENNAME givenName, EMAIL
// mail, EmployeeNumber employeeNumber, CompanyName o) and to korvo*
// attributes otherwise; "Parent" is the reference korvoParent (the parent's
// DN). Any other attribute name is kept in korvoAttribute as values
// "<name>=<value>", so the directory stores what the embedded one does.
#pragma once

#include <string_view>

namespace korvo::membership::ldapmap {

// The LDAP attributes with a meaning of their own.
inline constexpr std::string_view kUserId = "uid";
inline constexpr std::string_view kSurname = "sn";
inline constexpr std::string_view kParent = "korvoParent";
inline constexpr std::string_view kOtherAttributes = "korvoAttribute";
inline constexpr std::string_view kWriterRight = "korvoDirectoryWriter";
// TRUE when sn only holds the user ID, because inetOrgPerson needs an sn
// and the user was given no surname.
inline constexpr std::string_view kSurnameUnset = "korvoSurnameUnset";

// The directory's name of the parent reference.
inline constexpr std::string_view kParentName = "Parent";
inline constexpr std::string_view kSurnameName = "SURNAME";

struct MappedAttribute {
  std::string_view directoryName;  // as the user classes spell it
  std::string_view ldapName;
  bool standard;  // an inetOrgPerson attribute, without an ordering rule
};

// The mapping of `directoryName` (case-blind), or nullptr when the
// attribute is kept in korvoAttribute.
const MappedAttribute* ByDirectoryName(std::string_view directoryName);
// The mapping of an LDAP attribute (case-blind), or nullptr.
const MappedAttribute* ByLdapName(std::string_view ldapName);

}  // namespace korvo::membership::ldapmap
