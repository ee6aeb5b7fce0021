#include "platform/membership/ldap/ldap_filters.h"

#include "platform/membership/ldap/attribute_map.h"
#include "platform/membership/ldap/ldap_entries.h"
#include "platform/membership/ldap/ldap_names.h"

namespace korvo::membership::ldapfilters {

namespace {

// A filter no entry matches: every entry has an object class.
constexpr const char* kNothing = "(!(objectClass=*))";

std::string Equality(std::string_view attribute, std::string_view value) {
  return "(" + std::string(attribute) + "=" + ldapnames::FilterValue(value) + ")";
}

std::string Presence(std::string_view attribute) { return "(" + std::string(attribute) + "=*)"; }

// One criterion on an attribute the map names.
std::string MappedFilter(const ldapmap::MappedAttribute& mapped, const Criterion& criterion,
                         const std::string& usersBase, std::vector<Criterion>& onEntries) {
  const std::string_view ldap = mapped.ldapName;
  if (criterion.comparison == Comparison::Equal) {
    if (criterion.value.empty()) return kNothing;  // LDAP keeps no empty values
    if (ldap == ldapmap::kParent) {
      return Equality(ldap, ldapnames::ChildDn(ldapmap::kUserId, criterion.value, usersBase));
    }
    if (ldap == ldapmap::kSurname) {
      return "(&" + Equality(ldap, criterion.value) + "(!" + Equality(ldapmap::kSurnameUnset, "TRUE") +
             "))";
    }
    return Equality(ldap, criterion.value);
  }
  if (ldap == ldapmap::kUserId) {
    if (criterion.value.empty()) return Presence(ldap);
    return "(!(" + std::string(ldap) +
           ":caseIgnoreOrderingMatch:=" + ldapnames::FilterValue(criterion.value) + "))";
  }
  if (mapped.standard || ldap == ldapmap::kParent) {
    onEntries.push_back(criterion);
    return Presence(ldap);
  }
  if (criterion.value.empty()) return Presence(ldap);
  return "(" + std::string(ldap) + ">=" + ldapnames::FilterValue(criterion.value) + ")";
}

// One criterion on an attribute kept in korvoAttribute ("<name>=<value>").
std::string OtherFilter(const Criterion& criterion, std::vector<Criterion>& onEntries) {
  if (criterion.comparison == Comparison::Equal) {
    if (criterion.value.empty()) return kNothing;
    return Equality(ldapmap::kOtherAttributes, criterion.attribute + "=" + criterion.value);
  }
  onEntries.push_back(criterion);
  return Presence(ldapmap::kOtherAttributes);
}

std::vector<std::string> ValuesOf(const Entry& entry, const std::string& name) {
  if (FoldCase(name) == FoldCase(kIdAttribute)) return {entry.userId};
  for (const Attribute& attribute : entry.attributes) {
    if (FoldCase(attribute.name) == FoldCase(name)) return attribute.values;
  }
  return {};
}

// The opening of every user filter: user entries that have an ID.
std::string UserEntries() {
  return "(&(objectClass=" + std::string(ldapentries::kPersonClass) + ")" + Presence(ldapmap::kUserId);
}

}  // namespace

UserFilter ForCriteria(const std::vector<Criterion>& criteria, const std::string& usersBase) {
  UserFilter result;
  result.filter = UserEntries();
  for (const Criterion& criterion : criteria) {
    const auto* mapped = ldapmap::ByDirectoryName(criterion.attribute);
    result.filter += mapped ? MappedFilter(*mapped, criterion, usersBase, result.onEntries)
                            : OtherFilter(criterion, result.onEntries);
  }
  result.filter += ")";
  return result;
}

std::string ForUserIds(const std::vector<std::string>& userIds) {
  std::string anyOf = "(|";
  for (const std::string& userId : userIds) anyOf += Equality(ldapmap::kUserId, userId);
  return UserEntries() + anyOf + "))";
}

bool Meets(const Entry& entry, const Criterion& criterion) {
  const std::string wanted = FoldCase(criterion.value);
  for (const std::string& value : ValuesOf(entry, criterion.attribute)) {
    const std::string folded = FoldCase(value);
    if (criterion.comparison == Comparison::Equal ? folded == wanted : folded >= wanted) return true;
  }
  return false;
}

}  // namespace korvo::membership::ldapfilters
