// How one scan runs.
#pragma once

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
};
