#pragma once

#include "ipdetect/IPv6Choice.h"

#include <string>
#include <vector>

namespace hostaq {

// The IPv6 addresses of every interface as the kernel lists them over rtnetlink (an
// RTM_GETADDR dump): flags (the 32-bit IFA_FLAGS where the kernel sends it), prefix length and
// the lifetimes of IFA_CACHEINFO, with the interface's name and whether it is up (an
// RTM_GETLINK dump). A local query of the kernel that answers at once; any thread. On failure
// the list is empty and error says why.
std::vector<TIPv6Candidate> ReadIPv6Addresses(std::string* error = nullptr);

} // namespace hostaq
