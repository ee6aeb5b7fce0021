#include "user/internal/id_pages.h"

#include <string>

#include "platform/runtime/conversions.h"

namespace korvo::common {

namespace {

// The directory's case-blind form of an ID: ASCII letters folded to lower
// case, every other byte as it is, so a page starts where the directory's
// own order puts the key.
std::string Folded(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool AtOrAfter(const rt::Variant& id, const std::string& foldedKey) {
  return Folded(rt::CStr(id)) >= foldedKey;
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
  const std::string foldedKey = Folded(rt::CStr(fromKey));
  for (const rt::Variant& id : ids) {
    if (page.empty() && !foldedKey.empty() && !AtOrAfter(id, foldedKey)) continue;
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
