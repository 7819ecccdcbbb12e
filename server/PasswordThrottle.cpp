#include "PasswordThrottle.h"

#include <algorithm>

#include "ServerLimits.h"

std::string PasswordThrottle::Key(std::string_view name, std::string_view address) {
  std::string key(name);
  key += '\n';
  key += address;
  return key;
}

bool PasswordThrottle::Delayed(std::string_view name, std::string_view address, std::int64_t now) const {
  const auto it = records_.find(Key(name, address));
  return it != records_.end() && now < it->second.delayedUntil;
}

void PasswordThrottle::Failed(std::string_view name, std::string_view address, std::int64_t now) {
  std::erase_if(records_,
                [&](const auto& entry) { return now - entry.second.last >= limits::kWrongPasswordMemorySeconds; });
  std::string key = Key(name, address);
  if (!records_.contains(key) && records_.size() >= limits::kMaxPasswordRecords) {
    records_.erase(std::min_element(records_.begin(), records_.end(),
                                    [](const auto& a, const auto& b) { return a.second.last < b.second.last; }));
  }
  Record& record = records_[std::move(key)];
  ++record.failures;
  record.last = now;
  const int over = record.failures - limits::kFreeWrongPasswords;
  if (over <= 0) return;
  // 1, 2, 4 ... seconds; the shift stays far below the width of the type.
  const std::int64_t delay = over > 10 ? limits::kMaxSignOnDelaySeconds
                                       : std::min(std::int64_t{1} << (over - 1), limits::kMaxSignOnDelaySeconds);
  record.delayedUntil = now + delay;
}

void PasswordThrottle::Succeeded(std::string_view name, std::string_view address) {
  records_.erase(Key(name, address));
}
