#pragma once

#include <string>

namespace hostaq {

// The local list: the addresses and ranges that never count as the machine's public address.
// All of these run on the main thread and read the installed host network (HostNetwork.h).

// The DNS servers, then for every host address in a non-public range that range and the mask
// of its interface, then "127.0.0.1" when the list lacks it. Lines joined with CR LF.
std::string BuildLocalList();

// BuildLocalList extended by every value of section LocalIP (any key name, in file order) that
// is not yet in it.
std::string LoadLocalList();

// True when the provider edition flag is set or a host address lies in a non-public range.
bool HasPrivateAddress(bool providerEdition);

// The default of Connection/DirectConnect: the negation of HasPrivateAddress for this edition.
bool DefaultDirectConnect();
// Connection/DirectConnect with that default.
bool ReadDirectConnect();

// The address to use when it is taken from the machine rather than from a check-ip page.
// Sets localList (the engine's local list) to LoadLocalList first. With IPAddress/SetIPManual
// the result is IPAddress/ManualIP (FirstHostAddress when the key is missing); otherwise the
// first host address not in the local list, or FirstHostAddress when there is none.
std::string LocalPublicAddress(std::string& localList);

} // namespace hostaq
