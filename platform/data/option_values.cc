#include "platform/data/option_values.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "platform/data/driver.h"
#include "platform/runtime/error.h"

namespace korvo::data {

std::string WithoutOptionValues(std::string_view message, const OptionValues& options) {
  std::vector<std::pair<std::string_view, std::string>> values;
  for (const auto& [key, value] : options) {
    if (!value.empty()) values.emplace_back(value, "<" + key + ">");
  }
  std::sort(values.begin(), values.end(),
            [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
  std::string scrubbed;
  for (std::size_t i = 0; i < message.size();) {
    const auto match = std::find_if(values.begin(), values.end(), [&](const auto& v) {
      return message.substr(i).starts_with(v.first);
    });
    if (match == values.end()) {
      scrubbed += message[i++];
      continue;
    }
    scrubbed += match->second;
    i += match->first.size();
  }
  return scrubbed;
}

void RethrowWithoutOptionValues(const OptionValues& options) {
  try {
    throw;
  } catch (const DriverError& e) {
    throw DriverError(e.kind(), WithoutOptionValues(e.what(), options), e.nativeError(), e.source());
  } catch (const rt::Error& e) {
    rt::ErrorRecord record = e.record();
    record.Description = WithoutOptionValues(record.Description, options);
    rt::RaiseRecord(std::move(record));
  }
}

}  // namespace korvo::data
