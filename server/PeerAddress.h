// The peer address as the limits per address count it: an IPv4 address as
// it is, an IPv6 client by its /64, since one host usually holds a whole
// /64, and an IPv4 address mapped into IPv6 as the IPv4 address.
#pragma once

#include <string>
#include <string_view>

std::string AddressGroup(std::string_view address);
