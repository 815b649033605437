// How one scan runs.
#pragma once

class TFileText;

class TScanOptions {
public:
  // The grammar a scan is asked to read: the specified one, or one that
  // reads today's C++ around it. regkit words the way out of a body a scan
  // passed over by it.
  enum class TDialect { Specified, Modern };

  bool NoWarnings = false;               // warnings are neither reported nor counted (-w)
  const TFileText* SourceFile = nullptr; // when set, the scan stops once this file shrank
  TDialect Dialect = TDialect::Specified;
};
