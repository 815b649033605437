// How one scan runs.
#pragma once

#include <string>
#include <unordered_map>

#include "tolvane/class_state.h"

class TFileText;

class TScanOptions {
public:
  // The grammar a scan reads: the specified subset of C++, or the C++ that
  // is written today (namespaces, templates, nested classes, attributes,
  // default member initialisers, macro lines, every Register() head).
  enum class TDialect { Specified, Modern };

  bool NoWarnings = false;               // warnings are neither reported nor counted (-w)
  const TFileText* SourceFile = nullptr; // when set, the scan stops once this file shrank
  TDialect Dialect = TDialect::Specified;
  // Modern dialect: each construct read that the specified grammar does
  // not read is noted in the result (TScanResult::Constructs).
  bool NoteConstructs = false;
  // Modern dialect: the classes without a Register() body of their own are
  // kept in the result (TScanResult::Classes), by qualified name.
  bool KeepClasses = false;
  // Modern dialect: classes read from other texts (which outlive the scan),
  // by qualified name, for the Register() bodies defined outside them.
  const std::unordered_map<std::string, TClassState>* Classes = nullptr;
  // Modern dialect: the classes of the other files of a run, looked up
  // after the scanned text's own and Classes.
  const std::unordered_map<std::string, TClassState>* RunClasses = nullptr;
};
