// The findings of a check as a SARIF 2.1.0 log: one run of regkit with its
// rules, each finding a result located relative to the working directory.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "regkit/file_result.h"

class TSarifLog {
public:
  // workDir: the absolute directory the paths are relative to (%SRCROOT%).
  TSarifLog(std::string version, std::string workDir)
      : Version(std::move(version)), WorkDir(std::move(workDir)) {}

  // The log of a run: findings of the rules as results, the others (files
  // that could not be read) as notifications of the run.
  nlohmann::ordered_json Make(const std::vector<TFinding>& problems,
                              const std::vector<TFileResult>& results) const;
  // path as a URI reference: relative to WorkDir when it lies inside it,
  // else an absolute file URI; every byte but unreserved ones and '/'
  // percent-encoded. relative tells which.
  std::string Uri(const std::string& path, bool& relative) const;

private:
  nlohmann::ordered_json Artifact(const TFinding& finding) const;
  nlohmann::ordered_json Location(const TFinding& finding) const;
  // A stale body's fix: the replacement of its changed lines.
  nlohmann::ordered_json Fix(const TFinding& finding) const;

  std::string Version;
  std::string WorkDir;
};
