#include "user/internal/id_pages.h"

#include <string>

#include "platform/runtime/conversions.h"

namespace korvo::common {

namespace {

// Whether id sorts at or after key without regard to case, the order the
// directory lists user IDs in.
bool AtOrAfter(const rt::Variant& id, const std::string& lowerKey) {
  return rt::LCase(rt::CStr(id)) >= lowerKey;
}

}  // namespace

std::vector<rt::Variant> IdPage(const std::vector<rt::Variant>& ids, rt::Variant& fromKey,
                                const std::optional<rt::Variant>& pageSize) {
  const std::optional<std::int32_t> size =
      pageSize ? std::optional<std::int32_t>(rt::CLng(*pageSize)) : std::nullopt;
  std::vector<rt::Variant> page;
  if (size && *size <= 0) {
    fromKey = rt::Variant("");
    return page;
  }
  const std::string lowerKey = rt::LCase(rt::CStr(fromKey));
  for (const rt::Variant& id : ids) {
    if (page.empty() && !lowerKey.empty() && !AtOrAfter(id, lowerKey)) continue;
    page.push_back(id);
    if (size && static_cast<std::int32_t>(page.size()) == *size) {
      fromKey = rt::Variant(rt::CStr(id) + "!");
      return page;
    }
  }
  fromKey = rt::Variant("");
  return page;
}

}  // namespace korvo::common
