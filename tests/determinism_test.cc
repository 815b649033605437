// A build cache keys an action on its inputs alone: the programs must write
// the same bytes from the same inputs whatever the working directory, the
// form of the paths, the locale, the time zone, the home directory and the
// number of jobs. Only the names kessrow writes into its header (source and
// destination) must be given the same way.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "sample_texts.h"
#include "test_util.h"

namespace {

namespace fs = std::filesystem;

const fs::path kConsumer = fs::path(REGKIT_SOURCE_DIR) / "examples" / "consumer";

struct TSetting {
  const char* Dir;    // where the inputs are copied, inside the scratch directory
  bool Absolute;      // every other path absolute, tolvane and regkit run from "/"
  const char* Locale; // LC_ALL
  const char* Zone;   // TZ
  const char* Jobs;   // regkit -j
};

const TSetting kSettings[] = {
    {"one", false, "C", "UTC", "1"},
    {"two/deeper", true, "C.UTF-8", "Pacific/Chatham", "2"},
    {"three with blanks", false, "tr_TR.UTF-8", "America/St_Johns", "7"},
};

// Runs kessrow, tolvane and regkit update on a fresh copy of the inputs in the
// setting's directory; returns every file there afterwards, path to bytes.
std::map<std::string, std::string> Outputs(const TTempDir& scratch, const TSetting& setting) {
  const std::string dir = scratch.File(setting.Dir);
  fs::create_directories(dir + "/tree/sub");
  fs::copy_file(kConsumer / "parts" / "counter.kes", dir + "/counter.kes");
  fs::copy_file(kConsumer / "parts" / "common.inc", dir + "/common.inc");
  fs::copy_file(kConsumer / "include" / "board.h", dir + "/tree/board.h");
  WriteFile(dir + "/registers.h", sample::kSource);
  WriteFile(dir + "/tree/a.h", sample::kSource);
  WriteFile(dir + "/tree/sub/b.h", sample::kSource);

  auto path = [&](const std::string& name) { return setting.Absolute ? dir + "/" + name : name; };
  TRunOptions options;
  options.WorkDir = dir;
  options.Environment = {{"LC_ALL", setting.Locale}, {"TZ", setting.Zone}, {"HOME", dir}};
  const TRunResult kessrow = RunProgram(KESSROW_EXE, {"counter.kes", "counter.h", "-i", path("common.inc")}, options);
  EXPECT_EQ(kessrow.Status, 0) << kessrow.Output;
  if (setting.Absolute) options.WorkDir = "/";
  const TRunResult tolvane = RunProgram(TOLVANE_EXE, {path("registers.h"), path("registers.out.h")}, options);
  EXPECT_EQ(tolvane.Status, 0) << tolvane.Output;
  const TRunResult regkit = RunProgram(REGKIT_EXE, {"update", "-j", setting.Jobs, path("tree")}, options);
  EXPECT_EQ(regkit.Status, 0) << regkit.Output;

  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    if (entry.is_regular_file()) files[fs::relative(entry.path(), dir).string()] = ReadFile(entry.path().string());
  return files;
}

TEST(Determinism, SameInputsGiveTheSameBytes) {
  TTempDir scratch;
  const auto first = Outputs(scratch, kSettings[0]);
  // The runs did their work: a header, a rewritten copy and rewritten trees.
  ASSERT_EQ(first.size(), 8u);
  EXPECT_NE(first.at("counter.h").find("// Source File:             counter.kes\n"), std::string::npos);
  EXPECT_EQ(first.at("registers.out.h"), sample::kGenerated);
  EXPECT_EQ(first.at("tree/sub/b.h"), sample::kGenerated);
  for (std::size_t i = 1; i < std::size(kSettings); ++i) {
    const auto other = Outputs(scratch, kSettings[i]);
    EXPECT_EQ(other.size(), first.size()) << kSettings[i].Dir;
    for (const auto& [name, bytes] : first)
      EXPECT_EQ(other.contains(name) ? other.at(name) : "<missing>", bytes) << kSettings[i].Dir << ": " << name;
  }
}

} // namespace
