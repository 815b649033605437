// How one scan runs.
#pragma once

class TFileText;

class TScanOptions {
public:
  bool NoWarnings = false;               // warnings are neither reported nor counted (-w)
  const TFileText* SourceFile = nullptr; // when set, the scan stops once this file shrank
};
