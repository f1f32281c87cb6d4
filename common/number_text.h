// The number texts of the command line and the settings store: one grammar, two ranges.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vellicord {

// The one difference between the two: a window handle takes any 32-bit pattern, in hexadecimal
// or in unsigned decimal up to 4294967295 (how a 32-bit host prints a handle with bit 31 set);
// a stored setting keeps both to the signed range.
enum class HexRange { Signed, AnyPattern };

// Leading spaces, one "+" or "-", then decimal digits, or hexadecimal ones (either case) after
// "$", "x", "X", "0x" or "0X"; nothing after the digits. Negative decimal must fit the signed
// 32-bit range; a hexadecimal pattern is negated as a 32-bit pattern after "-". Anything else
// is none.
template <typename Char>
std::optional<int32_t> ParseNumberText(std::basic_string_view<Char> text, HexRange hexRange);

}  // namespace vellicord
