#pragma once
// Strict reading of the texts a user types for a TCP/IP connection.
//
// An address is four decimal parts 0..255 separated by dots. Blanks around a part are the
// placeholders of the address field's input mask and are ignored; leading zeros are
// decimal, never octal ("010.000.000.001" is 10.0.0.1). Anything else (an empty part, a
// fourth dot, letters, short forms such as "10.1") is not an address.
#include <array>
#include <cstdint>
#include <optional>

#include "platform/AnsiString.h"

namespace comm {

// The four parts, most significant first; nothing when the text is not an address.
std::optional<std::array<std::uint8_t, 4>> ParseIPv4Address(std::string_view text);
// The address in its plain dotted form ("10.0.0.1"); empty when the text is not an address.
AnsiString NormalizeIPv4Address(std::string_view text);
// True when the text consists only of digits, dots and blanks: it was meant as a dotted
// address (and must not be handed to a name look-up that reads short or octal forms).
bool LooksLikeDottedAddress(std::string_view text);
// A TCP port 1..65535 in decimal, blanks around it allowed; nothing otherwise.
std::optional<int> ParseTcpPort(std::string_view text);

}  // namespace comm
