// romlift-report end to end in one process: each command on small listings, usage errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "support/listing.h"
#include "support/report.h"

namespace romlift {
namespace {

using test::kBanner;
using test::kHeader;
using test::kHeader2;

using test::Outcome;
using test::report;

// LOOP at C004 was read as L00P on its code line.
const std::string kLabels = kHeader +
                            "001 C000 C303C0     START   JMP   LOOP\n"
                            "002 C003 00         LOOP    NOP\n"
                            "003 C004 00         L00P    NOP\n\n" +
                            kBanner + "START  C000 LOOP   C003 LOOP   C004 FIN    C010\n";

// Line 5 lost a blank before its mnemonic and is skipped; line 9 overlaps line 8.
const std::string kGaps = kHeader +
                          "001                         ORG   :C000\n"
                          "002 C000 3E01               MVI   A,1\n"
                          "003 C002 00                 NOP\n"
                          "004 C003 C30000            JMP   0000\n"
                          "005 C006 76                 HLT\n"
                          "006                         ORG   :D000\n"
                          "007 D000 00                 NOP\n"
                          "008 D000 00                 NOP\n" +
                          kHeader2 + "001 C800 00                 NOP\n";

TEST(ReportTool, EachCommandPrintsItsReport) {
  struct Case {
    std::vector<const char*> args;
    std::string listing;
    int status;
    std::string out;
  };
  const std::string seg = "0C000-0C7FF";
  const std::vector<Case> cases = {
      {{"code"}, kLabels, 0,
       "Label;Segment;Adresse\nL00P;" + seg + ";C004\nLOOP;" + seg + ";C003\nSTART;" + seg + ";C000\n"},
      {{"symbols"}, kLabels, 0,
       "Label;Segment;Adresse\nFIN;" + seg + ";C010\nLOOP;" + seg + ";C004\nLOOP;" + seg + ";C003\nSTART;" + seg +
           ";C000\n"},
      {{"rules"}, kLabels, 0,
       "{DEBER}L[0O][0O][PF]{FINER} {sprintf(label,\"%s\",\"L00P\"); return(MOTAVERIFIER);}\n"
       "{DEBER}L[O0DQ][O0DQ][PF]{FINER} {sprintf(label,\"%s\",\"LOOP\"); return(MOTAVERIFIER);}\n"
       "{DEBER}[S5]TART{FINER} {sprintf(label,\"%s\",\"START\"); return(MOTAVERIFIER);}\n"},
      {{"xref"}, kLabels, 1,
       "<<< Erreur >>> : label L00P absent des tables de symboles en " + seg + " C004\n"
       "<<< Erreur >>> : adresse " + seg + " C010 absente des lignes de code avec label\n"
       "<<< Erreur >>> : label LOOP absent des lignes de code avec label en " + seg + " C004\n"
       "Nb erreurs : 3\n"},
      {{"xref"}, kHeader + "001 C000 C3         START   JMP   START\n\n" + kBanner + "START  C000\n", 0,
       "Nb erreurs : 0\n"},
      {{"gaps"}, kGaps, 1,
       "<<< Rupture >>> : ligne 6 segment " + seg + " adresse attendue C003 trouv\xC3\xA9" "e C006 (3 octets manquants)\n"
       "<<< Rupture >>> : ligne 9 segment " + seg + " adresse attendue D001 trouv\xC3\xA9" "e D000 (1 octet en trop)\n"
       "Nb ruptures : 2\n"},
      {{"gaps"}, kLabels, 0, "Nb ruptures : 0\n"},
      {{"map"}, kGaps, 0,
       "Segment;Ligne;Lignes;Octets;Debut;Fin;Images\n" + seg +
           ";1;5;6;C000;D000;511_CodeObjet.bin:0-5\n0C800-0CFFF;10;1;1;C800;C800;511_CodeObjet.bin:6-6\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.args[0]));
    Outcome o = report(c.args, c.listing);
    EXPECT_EQ(o.status, c.status);
    EXPECT_EQ(o.out, c.out);
    EXPECT_EQ(o.err, "");
  }
}

TEST(ReportTool, MapFollowsTheBytesAcrossImageFiles) {
  std::string listing = kHeader;
  for (int i = 0; i < 2731; ++i) listing += "001 C000 C30000             JMP   0000\n";  // 8193 bytes
  listing += kHeader2 + "001 C800 00                 NOP\n" + kHeader + kHeader2 + "001 C800 00 NOP\n";
  Outcome o = report({"map"}, listing);
  EXPECT_EQ(o.out,
            "Segment;Ligne;Lignes;Octets;Debut;Fin;Images\n"
            "0C000-0C7FF;1;2731;8193;C000;C002;511_CodeObjet.bin:0-8191 514_CodeObjet.bin:0-0\n"
            "0C800-0CFFF;2733;1;1;C800;C800;514_CodeObjet.bin:1-1\n"
            "0C000-0C7FF;2735;0;0;-;-;\n");
  EXPECT_EQ(o.err, "syntax error 2736 PAGE 01    KEZ FIRMWARE \n"
                   "syntax error 2736 0C800-0CFFF\n"
                   "syntax error 2736   V1.1\n"
                   "syntax error 2738 \n");
}

// The messages of the parse itself go to standard error, in the order of the lines; standard
// output holds the report alone.
TEST(ReportTool, ParseMessagesGoToStandardError) {
  const std::string listing = kLabels + "START  C000\n" + kHeader2 + "002                 L1\n";
  Outcome o = report({"code"}, listing);
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "Erreur Label START dej\xC3\xA0 pr\xC3\xA9sent en 0C000-0C7FF/C000\nsyntax error   13 \n");
  EXPECT_EQ(o.out, report({"code"}, kLabels).out);
}

// The listing may be a file named after the command; options take their values after "=" too,
// before or after it.
TEST(ReportTool, ReadsTheListingFileItIsGiven) {
  namespace fs = std::filesystem;
  const fs::path path = fs::temp_directory_path() / ("romlift-listing-" + std::to_string(getpid()) + ".lst");
  std::ofstream(path, std::ios::binary) << kGaps;
  const std::string file = path.string();
  struct Case {
    std::vector<const char*> withFile, withStandardInput;
  };
  const Case cases[] = {
      {{"gaps", file.c_str()}, {"gaps"}},
      {{"gaps", "--", file.c_str()}, {"gaps"}},
      {{"verify", "--cpu=8080", file.c_str()}, {"verify", "--cpu", "8080"}},
      {{"verify", file.c_str(), "--cpu=none"}, {"verify", "--cpu", "none"}},
      {{"ihex", file.c_str(), "--offsets"}, {"ihex", "--offsets"}},
      {{"fix", "--name=gaps.lst", file.c_str()}, {"fix", "--name", "gaps.lst"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.withFile));
    // Standard input is empty: only the file gives the report.
    Outcome fromFile = report(c.withFile, "");
    Outcome fromInput = report(c.withStandardInput, kGaps);
    EXPECT_EQ(fromFile.out, fromInput.out);
    EXPECT_EQ(fromFile.err, fromInput.err);
    EXPECT_EQ(fromFile.status, fromInput.status);
  }
  fs::remove(path);
  // "-" stands for standard input.
  EXPECT_EQ(report({"gaps", "-"}, kGaps).out, report({"gaps"}, kGaps).out);
}

// Each command tells its own usage and part of the help, whatever follows --help.
TEST(ReportTool, EveryCommandHasItsHelp) {
  for (const char* command : {"code", "symbols", "rules", "xref", "gaps", "verify", "map", "sums", "ihex", "srec", "rom", "fix"}) {
    for (const char* help : {"--help", "-h"}) {
      SCOPED_TRACE(std::string(command) + " " + help);
      Outcome o = report({command, help, "absent.lst"}, kGaps);
      EXPECT_EQ(o.status, 0);
      EXPECT_EQ(o.err, "");
      EXPECT_TRUE(o.out.starts_with("Usage: romlift-report " + std::string(command) + " ")) << o.out;
      EXPECT_NE(o.out.find("\n\n  " + std::string(command)), std::string::npos) << o.out;
    }
  }
}

TEST(ReportTool, UsageErrorsAndHelp) {
  struct Case {
    std::vector<const char*> args;
    int status;
    std::string outStart, err;
  };
  const std::vector<Case> cases = {
      {{}, 2, "", "romlift-report : commande manquante (voir romlift-report --help)\n"},
      {{"labels"}, 2, "", "romlift-report : commande inconnue \xC2\xAB labels \xC2\xBB (voir romlift-report --help)\n"},
      {{"gaps", "a", "extra"}, 2, "", "romlift-report : argument en trop \xC2\xAB extra \xC2\xBB (voir romlift-report --help)\n"},
      {{"gaps", "absent.lst"}, 2, "", "romlift-report : absent.lst : No such file or directory\n"},
      {{"gaps", "/"}, 2, "", "romlift-report : / : Is a directory\n"},
      {{"--help", "gaps"}, 2, "", "romlift-report : argument en trop \xC2\xAB gaps \xC2\xBB (voir romlift-report --help)\n"},
      {{"-h"}, 0, "Usage: romlift-report COMMAND [OPTION]... [LISTING]\n", ""},
      {{"--help"}, 0, "Usage: romlift-report COMMAND [OPTION]... [LISTING]\n", ""},
      {{"--version"}, 0, "romlift-report 0.1.0\n", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "no argument" : c.args[0]);
    Outcome o = report(c.args, kLabels);
    EXPECT_EQ(o.status, c.status);
    EXPECT_EQ(o.out.substr(0, c.outStart.size()), c.outStart);
    if (c.outStart.empty()) {
      EXPECT_EQ(o.out, "");
    }
    EXPECT_EQ(o.err, c.err);
  }
}

}  // namespace
}  // namespace romlift
