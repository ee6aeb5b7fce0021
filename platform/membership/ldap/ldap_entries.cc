#include "platform/membership/ldap/ldap_entries.h"

#include <algorithm>

#include "platform/contracts/membership.h"
#include "platform/membership/attribute_kinds.h"
#include "platform/membership/directory_error.h"
#include "platform/membership/ldap/attribute_map.h"
#include "platform/membership/ldap/ldap_names.h"

namespace korvo::membership::ldapentries {

namespace {

constexpr const char* kTrue = "TRUE";

bool SameName(std::string_view a, std::string_view b) { return FoldCase(a) == FoldCase(b); }

// LDAP keeps no empty values and no two values equal case-blind: the first
// of each stays, in order.
std::vector<std::string> StorableValues(const std::vector<std::string>& values) {
  std::vector<std::string> kept;
  std::vector<std::string> folded;
  for (const std::string& value : values) {
    std::string key = FoldCase(value);
    if (value.empty() || std::find(folded.begin(), folded.end(), key) != folded.end()) continue;
    folded.push_back(std::move(key));
    kept.push_back(value);
  }
  return kept;
}

// Appends values to the attribute `name` of `list` (case-blind), adding it.
template <class AttributeList>
void Append(AttributeList& list, std::string_view name, const std::vector<std::string>& values) {
  for (auto& attribute : list) {
    if (SameName(attribute.name, name)) {
      attribute.values.insert(attribute.values.end(), values.begin(), values.end());
      return;
    }
  }
  list.push_back({std::string(name), values});
}

// "<name>=" of an attribute kept in korvoAttribute.
std::string OtherPrefix(std::string_view name) { return std::string(name) + "="; }

std::vector<std::string> OtherValues(std::string_view name, const std::vector<std::string>& values) {
  std::vector<std::string> encoded;
  for (const std::string& value : values) encoded.push_back(OtherPrefix(name) + value);
  return encoded;
}

std::string ParentDn(const std::vector<std::string>& values, const std::string& usersBase) {
  return ldapnames::ChildDn(ldapmap::kUserId, values.front(), usersBase);
}

// Reads one korvoAttribute value into `entry`.
void AddOtherValue(Entry& entry, const std::string& encoded) {
  const std::size_t equals = encoded.find('=');
  if (equals == std::string::npos) return;
  const std::string name = encoded.substr(0, equals);
  if (!IsValidAttributeName(name) || ldapmap::ByDirectoryName(name)) return;
  Append(entry.attributes, name, {encoded.substr(equals + 1)});
}

// A mapped LDAP attribute read into `entry`.
void AddMapped(Entry& entry, const ldapmap::MappedAttribute& mapped, const LdapAttribute& attribute,
               bool surnameUnset) {
  if (mapped.ldapName == ldapmap::kUserId) return;
  if (mapped.ldapName == ldapmap::kSurname && surnameUnset) return;
  if (mapped.ldapName == ldapmap::kParent) {
    if (attribute.values.empty()) return;
    if (auto parent = ldapnames::LeadingValue(attribute.values.front(), ldapmap::kUserId)) {
      Append(entry.attributes, mapped.directoryName, {*parent});
    }
    return;
  }
  Append(entry.attributes, mapped.directoryName, attribute.values);
}

// The changes of an attribute kept in korvoAttribute: its old values out,
// the new ones in after the others, the spelling first written kept.
std::vector<LdapChange> OtherChanges(const LdapEntry& current, const std::string& name,
                                     const std::vector<std::string>& values) {
  std::string spelling = name;
  std::vector<std::string> kept;
  const std::string prefix = FoldCase(OtherPrefix(name));
  for (const std::string& encoded : current.Values(ldapmap::kOtherAttributes)) {
    if (FoldCase(encoded).starts_with(prefix)) {
      spelling = encoded.substr(0, name.size());
    } else {
      kept.push_back(encoded);
    }
  }
  for (std::string& encoded : OtherValues(spelling, StorableValues(values)))
    kept.push_back(std::move(encoded));
  return {{std::string(ldapmap::kOtherAttributes), kept}};
}

std::vector<LdapChange> SurnameChanges(const LdapEntry& current,
                                       const std::vector<std::string>& values) {
  std::vector<std::string> surnames = StorableValues(values);
  if (!surnames.empty()) {
    return {{std::string(ldapmap::kSurname), surnames}, {std::string(ldapmap::kSurnameUnset), {}}};
  }
  const std::vector<std::string>& ids = current.Values(ldapmap::kUserId);
  return {{std::string(ldapmap::kSurname), {ids.empty() ? std::string("-") : ids.front()}},
          {std::string(ldapmap::kSurnameUnset), {kTrue}}};
}

}  // namespace

bool IsTrue(const std::vector<std::string>& values) {
  return !values.empty() && FoldCase(values.front()) == "true";
}

Entry ToEntry(const LdapEntry& ldap, const std::string& userId) {
  Entry entry;
  const std::vector<std::string>& ids = ldap.Values(ldapmap::kUserId);
  for (const std::string& id : ids) {
    if (SameName(id, userId)) entry.userId = id;
  }
  if (entry.userId.empty() && !ids.empty()) entry.userId = ids.front();
  const bool surnameUnset = IsTrue(ldap.Values(ldapmap::kSurnameUnset));
  for (const LdapAttribute& attribute : ldap.attributes) {
    if (const auto* mapped = ldapmap::ByLdapName(attribute.name)) {
      AddMapped(entry, *mapped, attribute, surnameUnset);
    } else if (SameName(attribute.name, ldapmap::kOtherAttributes)) {
      for (const std::string& encoded : attribute.values) AddOtherValue(entry, encoded);
    }
  }
  return entry;
}

std::vector<LdapAttribute> NewEntryAttributes(const Entry& entry, const std::string& usersBase) {
  std::vector<LdapAttribute> ldap{{"objectClass", {kPersonClass, kUserClass}},
                                  {std::string(ldapmap::kUserId), {entry.userId}},
                                  {"cn", {entry.userId}}};
  for (const Attribute& attribute : entry.attributes) {
    const std::vector<std::string> values = StorableValues(attribute.values);
    if (values.empty()) continue;
    const auto* mapped = ldapmap::ByDirectoryName(attribute.name);
    if (!mapped) {
      Append(ldap, ldapmap::kOtherAttributes, OtherValues(attribute.name, values));
    } else if (mapped->ldapName == ldapmap::kParent) {
      Append(ldap, ldapmap::kParent, {ParentDn(values, usersBase)});
    } else if (mapped->ldapName != ldapmap::kUserId) {
      Append(ldap, mapped->ldapName, values);
    }
  }
  for (LdapAttribute& attribute : ldap) attribute.values = StorableValues(attribute.values);
  const bool hasSurname = std::any_of(ldap.begin(), ldap.end(), [](const LdapAttribute& attribute) {
    return SameName(attribute.name, ldapmap::kSurname);
  });
  if (!hasSurname) {
    ldap.push_back({std::string(ldapmap::kSurname), {entry.userId}});
    ldap.push_back({std::string(ldapmap::kSurnameUnset), {kTrue}});
  }
  return ldap;
}

std::vector<LdapChange> ChangesFor(const LdapEntry& current, const std::string& name,
                                   const std::vector<std::string>& values,
                                   const std::string& usersBase) {
  const auto* mapped = ldapmap::ByDirectoryName(name);
  if (!mapped) return OtherChanges(current, name, values);
  if (mapped->ldapName == ldapmap::kUserId) {
    RaiseDirectoryError(contracts::membership_error::kInvalidAttribute, kUserSource,
                        "the user ID cannot be changed");
  }
  if (mapped->ldapName == ldapmap::kSurname) return SurnameChanges(current, values);
  std::vector<std::string> stored = StorableValues(values);
  if (mapped->ldapName == ldapmap::kParent && !stored.empty()) stored = {ParentDn(stored, usersBase)};
  return {{std::string(mapped->ldapName), stored}};
}

std::vector<LdapChange> AuxiliaryClassFor(const LdapEntry& current) {
  std::vector<std::string> classes = current.Values("objectClass");
  for (const std::string& objectClass : classes) {
    if (SameName(objectClass, kUserClass)) return {};
  }
  classes.push_back(kUserClass);
  return {{"objectClass", classes}};
}

std::vector<LdapChange> Snapshot(const LdapEntry& current, const std::vector<LdapChange>& changes) {
  std::vector<LdapChange> previous;
  for (const LdapChange& change : changes)
    previous.push_back({change.name, current.Values(change.name)});
  return previous;
}

}  // namespace korvo::membership::ldapentries
