// How one pass of the part header generator runs.
#pragma once

#include <string>

class TFileText;

class TPartOptions {
public:
  // The order buses are written in.
  enum class TRangeOrder {
    HighLow,    // high bound first (the default)
    LowHigh,    // low bound first (-L)
    AsDeclared, // as the part file writes them (-N)
  };

  std::string SourceName;  // the part file as named, for the header's frame
  std::string DestName;    // the header as named, for its frame and include guard
  std::string IncludeName; // the include file as named, for reports
  TRangeOrder RangeOrder = TRangeOrder::HighLow;
  // When set, the pass stops once one of these files shrank.
  const TFileText* SourceFile = nullptr;
  const TFileText* IncludeFile = nullptr;
};
