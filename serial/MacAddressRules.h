// The MAC address rules of the Ethernet controller setup: reading the six octet fields into
// MACID, and advancing MACID by one after a setting. With the NDIS option on, the octets 0x42
// and 0x57 are kept out of the address's last three bytes, for the sake of NDIS drivers.
#pragma once

#include <array>
#include <string>

enum class TMacReadResult { Ok, NdisRefused, BadCharacter };

// True when the NDIS option refuses the text of one of the last three octet fields.
bool NdisRefusesOctet(const std::string& text);

// Reads the six fields (each one or two hexadecimal digits) into macid as twelve upper-case
// digits. Stops at the first failure: with ndis, "42" or "57" in field 4, 5 or 6 refuses the
// address before anything is read; a field that is not hexadecimal (an empty one included)
// leaves macid with the octets read before it.
TMacReadResult ReadMacAddress(const std::array<std::string, 6>& fields, bool ndis,
                              std::string& macid);

// Advances the last six digits of macid by one. With ndis, a byte of the result that is 0x42
// or 0x57 is raised by one, without carry into the next byte. The last six digits count as a
// 24-bit number: after FFFFFF comes 000000, so the first three octets (the maker's block)
// never change and the address keeps its twelve digits. A macid whose last six digits are not
// hexadecimal stays as it is.
std::string IncrementMacAddress(const std::string& macid, bool ndis);

// MACID as people write it: the octets separated by colons ("02:C0:DE:00:00:00").
std::string MacAddressWithColons(const std::string& macid);
