// Names and filter values in LDAP's own escaping, through libldap:
// assertion values as RFC 4515 says, distinguished names as RFC 4514 says.
// A caller's text never becomes filter or name syntax.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvo::membership::ldapnames {

// `value` escaped for use as an assertion value inside a filter: '*', '(',
// ')', '\' and NUL (and bytes that are not printable ASCII) as \hh.
std::string FilterValue(std::string_view value);

// The DN of `attribute`=`value` directly below `parentDn`, the value escaped
// as RFC 4514 says (',', '+', '"', '\', '<', '>', ';', '=', leading '#' and
// blanks at either end).
std::string ChildDn(std::string_view attribute, std::string_view value, std::string_view parentDn);

// The value of the leading RDN of `dn` when it is a single `attribute`
// (case-blind) with a text value; nullopt otherwise or when `dn` is not a
// valid DN.
std::optional<std::string> LeadingValue(std::string_view dn, std::string_view attribute);

// Whether `dn` is a valid LDAPv3 DN with at least one RDN.
bool IsDn(std::string_view dn);

// `dn` in one spelling for comparing two spellings of one name: libldap's
// LDAPv3 form with ASCII letters folded to lower case (every attribute a
// directory name is made of here matches case-blind); nullopt when it is
// not a valid DN.
std::optional<std::string> NormalDn(std::string_view dn);

}  // namespace korvo::membership::ldapnames
