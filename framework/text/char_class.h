// The character classes of the "C" locale that both programs use, without
// the locale: white space, digits, ASCII letters and printable characters.
// Bytes from 0x80 up belong to none of them.
#pragma once

// Blank, tab, line feed, vertical tab, form feed or carriage return.
constexpr bool IsSpaceChar(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
constexpr bool IsDigitChar(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsLetterChar(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
// An ASCII letter or digit (the underscore is the caller's choice).
constexpr bool IsAlnumChar(char c) { return IsDigitChar(c) || IsLetterChar(c); }
// 0x20 to 0x7E.
constexpr bool IsPrintableChar(char c) { return c >= 0x20 && c <= 0x7E; }
