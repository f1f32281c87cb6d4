// The shared number grammar, for 8-bit store texts and wide command-line arguments.
#include "common/number_text.h"

namespace vellicord {

namespace {

template <typename Char>
int DigitValue(Char c) {
  if (c >= Char('0') && c <= Char('9')) return static_cast<int>(c - Char('0'));
  if (c >= Char('a') && c <= Char('f')) return static_cast<int>(c - Char('a')) + 10;
  if (c >= Char('A') && c <= Char('F')) return static_cast<int>(c - Char('A')) + 10;
  return -1;
}

}  // namespace

template <typename Char>
std::optional<int32_t> ParseNumberText(std::basic_string_view<Char> text, HexRange hexRange) {
  size_t i = 0;
  while (i < text.size() && text[i] == Char(' ')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == Char('+') || text[i] == Char('-'))) {
    negative = text[i++] == Char('-');
  }
  int base = 10;
  if (i < text.size() && (text[i] == Char('$') || text[i] == Char('x') || text[i] == Char('X'))) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == Char('0') &&
             (text[i + 1] == Char('x') || text[i + 1] == Char('X'))) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return std::nullopt;
  // The magnitude may reach 2^31 only for a negative number.
  const uint64_t signedLimit = negative ? 0x80000000u : 0x7FFFFFFFu;
  const bool anyPattern = hexRange == HexRange::AnyPattern && (base == 16 || !negative);
  const uint64_t limit = anyPattern ? 0xFFFFFFFFu : signedLimit;
  uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i]);
    if (digit < 0 || digit >= base) return std::nullopt;
    magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (magnitude > limit) return std::nullopt;
  }
  const uint32_t bits = static_cast<uint32_t>(magnitude);
  return static_cast<int32_t>(negative ? 0u - bits : bits);
}

template std::optional<int32_t> ParseNumberText(std::basic_string_view<char>, HexRange);
template std::optional<int32_t> ParseNumberText(std::basic_string_view<wchar_t>, HexRange);

}  // namespace vellicord
