// Password hashes in the form /etc/shadow keeps them ("$y$..." for yescrypt),
// made and checked by the system's libcrypt. Checking one takes tens of
// milliseconds by design, so callers check a hash only after the wrong-password
// throttle has let the try through.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// A new yescrypt hash of password with a random salt; nothing when libcrypt fails.
std::optional<std::string> HashPassword(std::string_view password);
// Whether password hashes to hash.
bool MatchesHash(std::string_view password, const std::string& hash);
// Whether text is a whole hash of a method libcrypt has enabled.
bool IsUsableHash(const std::string& text);
// The password a client roasted: hex digits in either case after "0x", each
// byte XORed with the roasting key. Nothing for anything else.
std::optional<std::string> UnroastPassword(std::string_view roasted);
