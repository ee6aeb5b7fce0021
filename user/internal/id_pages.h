// One page of a list of user IDs, the way every paged user list of the
// User class is cut. Module-internal; no state.
#pragma once

#include <optional>
#include <vector>

#include "platform/runtime/variant.h"

namespace korvo::common {

// The IDs of `ids` (in their order) on the page that starts at the first ID
// not below `fromKey` (compared without regard to case; an empty key starts
// at the first) and holds at most `pageSize` IDs (all when absent). A page
// size of 0 or less gives no IDs. `fromKey` becomes the last ID of a full
// page followed by "!", or "" when the list ended before the page filled.
// Raises the runtime's conversion errors for a page size that is no number.
std::vector<rt::Variant> IdPage(const std::vector<rt::Variant>& ids, rt::Variant& fromKey,
                                const std::optional<rt::Variant>& pageSize);

}  // namespace korvo::common
