#include "platform/membership/ldap/ldap_names.h"

#include <ldap.h>

#include <memory>
#include <string>

#include "platform/membership/directory_backend.h"

namespace korvo::membership::ldapnames {

namespace {

berval View(std::string_view text) {
  return berval{static_cast<ber_len_t>(text.size()), const_cast<char*>(text.data())};
}

std::string Take(berval& value) {
  std::string text(value.bv_val ? value.bv_val : "", value.bv_len);
  ber_memfree(value.bv_val);
  return text;
}

struct DnDeleter {
  void operator()(LDAPDN dn) const { ldap_dnfree(dn); }
};
using ParsedDn = std::unique_ptr<LDAPRDN, DnDeleter>;

ParsedDn Parse(std::string_view dn) {
  LDAPDN parsed = nullptr;
  berval text = View(dn);
  if (ldap_bv2dn(&text, &parsed, LDAP_DN_FORMAT_LDAPV3) != LDAP_SUCCESS) return nullptr;
  return ParsedDn(parsed);
}

}  // namespace

std::string FilterValue(std::string_view value) {
  berval in = View(value);
  berval out{0, nullptr};
  if (ldap_bv2escaped_filter_value(&in, &out) != 0) throw std::bad_alloc();
  return Take(out);
}

std::string ChildDn(std::string_view attribute, std::string_view value, std::string_view parentDn) {
  LDAPAVA ava{View(attribute), View(value), LDAP_AVA_STRING, nullptr};
  LDAPAVA* rdn[] = {&ava, nullptr};
  LDAPRDN rdns[] = {rdn, nullptr};
  berval out{0, nullptr};
  if (ldap_dn2bv(rdns, &out, LDAP_DN_FORMAT_LDAPV3) != LDAP_SUCCESS) throw std::bad_alloc();
  std::string dn = Take(out);
  if (!parentDn.empty()) {
    dn += ',';
    dn += parentDn;
  }
  return dn;
}

std::optional<std::string> LeadingValue(std::string_view dn, std::string_view attribute) {
  ParsedDn parsed = Parse(dn);
  if (!parsed || !parsed.get()[0]) return std::nullopt;
  LDAPRDN rdn = parsed.get()[0];
  if (!rdn[0] || rdn[1]) return std::nullopt;  // empty or multi-valued RDN
  const LDAPAVA& ava = *rdn[0];
  if ((ava.la_flags & LDAP_AVA_BINARY) != 0) return std::nullopt;
  if (FoldCase(std::string_view(ava.la_attr.bv_val, ava.la_attr.bv_len)) != FoldCase(attribute)) {
    return std::nullopt;
  }
  return std::string(ava.la_value.bv_val, ava.la_value.bv_len);
}

bool IsDn(std::string_view dn) {
  ParsedDn parsed = Parse(dn);
  return parsed && parsed.get()[0];
}

std::optional<std::string> NormalDn(std::string_view dn) {
  ParsedDn parsed = Parse(dn);
  if (!parsed || !parsed.get()[0]) return std::nullopt;
  berval out{0, nullptr};
  if (ldap_dn2bv(parsed.get(), &out, LDAP_DN_FORMAT_LDAPV3) != LDAP_SUCCESS) return std::nullopt;
  return FoldCase(Take(out));
}

}  // namespace korvo::membership::ldapnames
