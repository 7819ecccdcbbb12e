// Wrong passwords, counted per screen name and address. The first
// limits::kFreeWrongPasswords cost nothing; after each further one that name
// is refused from that address for a delay that doubles each time, up to
// limits::kMaxSignOnDelaySeconds. Nothing is ever refused from another
// address, so a guesser cannot lock the owner out. Time comes from the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

class PasswordThrottle {
 public:
  // True while name may not try again from address.
  [[nodiscard]] bool Delayed(std::string_view name, std::string_view address, std::int64_t now) const;
  void Failed(std::string_view name, std::string_view address, std::int64_t now);
  void Succeeded(std::string_view name, std::string_view address);
  [[nodiscard]] std::size_t Count() const { return records_.size(); }

 private:
  struct Record {
    int failures = 0;
    std::int64_t last = 0;
    std::int64_t delayedUntil = 0;
  };
  static std::string Key(std::string_view name, std::string_view address);

  std::unordered_map<std::string, Record> records_;
};
