// The names of the options' values as the command line, the configuration
// files and `regkit config` spell them: one table per option, read both
// ways.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "regkit/colors.h"
#include "regkit/options.h"
#include "tolvane/scan_options.h"

template <class E> struct TOptionName {
  std::string_view Name;
  E Value;
};

inline constexpr TOptionName<TScanOptions::TDialect> kDialectNames[] = {
    {"specified", TScanOptions::TDialect::Specified}, {"modern", TScanOptions::TDialect::Modern}};
inline constexpr TOptionName<TOptions::TPassedOver> kPassedOverNames[] = {{"warning", TOptions::TPassedOver::Warning},
                                                                          {"error", TOptions::TPassedOver::Error},
                                                                          {"ignore", TOptions::TPassedOver::Ignore}};
inline constexpr TOptionName<TOptions::TFormat> kFormatNames[] = {
    {"text", TOptions::TFormat::Text}, {"json", TOptions::TFormat::Json}, {"sarif", TOptions::TFormat::Sarif}};
inline constexpr TOptionName<TColors::TWhen> kColorNames[] = {
    {"auto", TColors::TWhen::Auto}, {"always", TColors::TWhen::Always}, {"never", TColors::TWhen::Never}};

// Sets value to the value that name names in table; false when none does.
template <class E, std::size_t N>
bool FindOptionValue(const TOptionName<E> (&table)[N], std::string_view name, E& value) {
  for (const TOptionName<E>& entry : table)
    if (entry.Name == name) {
      value = entry.Value;
      return true;
    }
  return false;
}

// The name of value in table.
template <class E, std::size_t N> std::string_view OptionValueName(const TOptionName<E> (&table)[N], E value) {
  for (const TOptionName<E>& entry : table)
    if (entry.Value == value) return entry.Name;
  return table[0].Name;
}

// The names of table for a message, the last after lastJoint:
// "text, json or sarif" (" or "), "warning, error, ignore" (", ").
template <class E, std::size_t N>
std::string OptionValueNames(const TOptionName<E> (&table)[N], std::string_view lastJoint) {
  std::string list;
  for (std::size_t i = 0; i < N; ++i) {
    if (i > 0) list += i + 1 == N ? lastJoint : ", ";
    list += table[i].Name;
  }
  return list;
}
