// What recognised lines leave in the registers: labels, segments and addresses per entry.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/run.h"
#include "support/scan.h"

namespace romlift {
namespace {

namespace fs = std::filesystem;

// Entries of a register as "seg/adr:label,label" strings, newest first.
std::vector<std::string> entries(const AddressEntry* e) {
  std::vector<std::string> all;
  for (; e != nullptr; e = e->next) {
    std::string row = std::string(e->seg) + "/" + e->adr + ":";
    for (const LabelNode* l = e->labels; l != nullptr; l = l->next) row += std::string(l->label) + (l->next ? "," : "");
    all.push_back(row);
  }
  return all;
}

struct Recorded {
  std::vector<std::string> codes, symbols, pending;
  std::string seg;
};

Recorded runOn(const std::string& listing) {
  std::string dir = (fs::temp_directory_path() / "romlift-red-XXXXXX").string();
  EXPECT_NE(mkdtemp(dir.data()), nullptr);
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  Recorded r;
  {
    Run run(Input(test::chunkReader(listing)), out, err, RunOptions{.imageDir = dir});
    run.run();
    r.codes = entries(run.state().codes.awllist());
    r.symbols = entries(run.state().symbols.stawllist());
    for (const LabelNode* l = run.state().codes.llist(); l != nullptr; l = l->next) r.pending.push_back(l->label);
    r.seg = run.state().seg;
  }
  std::fclose(out);
  std::fclose(err);
  fs::remove_all(dir);
  return r;
}

const std::string kHeader = "PAGE 01    KEZ FIRMWARE 0000-07FF  V1.1\n";
const std::string kHeader11 = "PAGE 01    KEZ FIRMWARE 10000-107FF  V1.1\n";
const std::string kBanner =
    "***************************\n"
    "* S Y M B O L   T A B L E *\n"
    "***************************\n";

TEST(Reductions, LabelsGoToTheNextLabelledCodeLine) {
  struct Case {
    const char* name;
    std::string listing;
    std::vector<std::string> codes;
    std::vector<std::string> pending;
  };
  const std::vector<Case> cases = {
      {"label-only lines before a labelled line, newest first",
       kHeader + "001                 L1\n002                 L2\n003 0100 00         L3      NOP\n",
       {"0000-07FF/0100:L3,L2,L1"}, {}},
      {"a labelled line alone", kHeader + "001 0100 00         L3      NOP\n", {"0000-07FF/0100:L3"}, {}},
      {"unlabelled lines record nothing", kHeader + "001 0100 00                 NOP\n", {}, {}},
      {"trailing blanks stay on a label-only label",
       kHeader + "001                 L1  \n002 0100 00         L3      NOP\n", {"0000-07FF/0100:L3,L1  "}, {}},
      {"a label beginning one column late reads with a leading blank",
       kHeader + "001 0100 0000        L3     NOP\n", {"0000-07FF/0100: L3"}, {}},
      {"pending labels survive a syntax error and go to a later page",
       kHeader + "001                 L1\n002 0100 00                 NOP\n" + kHeader11 +
           "001 0200 00         L9      NOP\n",
       {"10000-107FF/0200:L9,L1"}, {}},
      {"a rejected labelled line records nothing and leaves earlier labels pending",
       kHeader + "001                 L1\n002 0100 00                 NOP\n003 0101 00         L2      NOP\n",
       {}, {"L1"}},
      {"labels still pending at the end stay out of the register", kHeader + "001                 L1\n", {}, {"L1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Recorded r = runOn(c.listing);
    EXPECT_EQ(r.codes, c.codes);
    EXPECT_EQ(r.pending, c.pending);
  }
}

TEST(Reductions, SymbolEntriesGoUnderTheirOwnPagesSegment) {
  const std::string page = "001 0100 00         L3      NOP\n\n" + kBanner;
  Recorded r = runOn(kHeader + page + "L3     0100 L4     0100\n" + kHeader11 + page + "L3     0100\n");
  EXPECT_EQ(r.symbols, (std::vector<std::string>{"10000-107FF/0100:L3", "0000-07FF/0100:L4,L3"}));
  EXPECT_EQ(r.codes, (std::vector<std::string>{"10000-107FF/0100:L3", "0000-07FF/0100:L3"}));
  EXPECT_EQ(r.seg, "10000-107FF");  // all 11 characters of the range
}

}  // namespace
}  // namespace romlift
