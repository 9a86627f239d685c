// romlift-report calls no listing clean when part of its input went unread or the input is no
// listing at all, and keeps the run's messages out of its reports.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/listing.h"
#include "support/report.h"
#include "support/run_binary.h"

namespace romlift::test {
namespace {

const std::vector<const char*> kAllCommands = {"code", "symbols", "rules", "xref", "gaps", "verify",
                                               "map",  "sums",    "ihex",  "srec", "fix"};
// The commands that give a verdict on the sections they read.
const std::vector<const char*> kJudges = {"xref", "gaps", "verify", "map", "sums", "ihex", "srec", "rom"};

std::string sample() { return readFile(examplePath("sample.lst")); }

// The sample with a Ctrl-Z at the end of input line 21, before its newline: 18 of its 193 bytes
// stand before it, and its last 160 lines, 5992 bytes, after it.
std::string cutSample() {
  std::string listing = sample();
  size_t at = 0;
  for (int line = 1; line < 21; ++line) at = listing.find('\n', at) + 1;
  return listing.insert(listing.find('\n', at), "\x1A");
}

const std::string kCutNotice =
    "<<< Entr\xC3\xA9" "e coup\xC3\xA9" "e >>> : ligne 21 : Ctrl-Z (octet 1A), 160 lignes et 5992 octets "
    "ignor\xC3\xA9s apr\xC3\xA8s lui\n";
const std::string kNoSection =
    "<<< Aucune section >>> : aucun en-t\xC3\xAAte de premi\xC3\xA8re page reconnu, l'entr\xC3\xA9" "e n'est pas un "
    "listing\n";

TEST(InputTrust, EveryCommandNamesTextThatACtrlZCutOff) {
  // The standard run keeps its end-of-input rule and says nothing of it.
  RunResult romlift = runRomlift(cutSample());
  EXPECT_EQ(romlift.out, "Nb car \xC3\xA9" "crits : 18\n");
  EXPECT_EQ(romlift.err, "");
  EXPECT_EQ(romlift.status, 0);
  for (const char* command : kAllCommands) {
    SCOPED_TRACE(command);
    Outcome o = report({command}, cutSample());
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find(kCutNotice), std::string::npos) << o.err;
  }
  // The README shows this very case.
  const std::string readme = readFile(std::string(ROMLIFT_SOURCE_DIR) + "/README.md");
  EXPECT_NE(readme.find("\n" + kCutNotice + "```"), std::string::npos);
}

TEST(InputTrust, CutNoticeCountsWhatFollowsTheCutLine) {
  const std::string nop = "001 C000 00                 NOP\n";
  struct Case {
    std::string name, listing, err;
  };
  const std::string cut = "<<< Entr\xC3\xA9" "e coup\xC3\xA9" "e >>> : ligne ";
  const Case cases[] = {
      {"inside a line", kHeader + nop + "002 C0\x1A" "01 00               NOP\n003 C002 00                 NOP\n",
       cut + "3 : Ctrl-Z (octet 1A), 1 ligne et 56 octets ignor\xC3\xA9s apr\xC3\xA8s lui\n"},
      {"text on the cut line alone, no newline", kHeader + nop + "\x1A" "x", cut + "3 : Ctrl-Z (octet 1A), 0 ligne et 1 octet ignor\xC3\xA9s apr\xC3\xA8s lui\n"},
      {"CP/M padding, blanks, CRLF and more Ctrl-Z", kHeader + nop + "\x1A\x1A\x1A\r\n \t\n\x1A\x1A", ""},
      {"padding then text", kHeader + nop + "\x1A\x1A\n\n" + nop,
       cut + "3 : Ctrl-Z (octet 1A), 2 lignes et 35 octets ignor\xC3\xA9s apr\xC3\xA8s lui\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome o = report({"gaps"}, c.listing);
    EXPECT_EQ(o.out, "Nb ruptures : 0\n");
    EXPECT_EQ(o.err, c.err);
    EXPECT_EQ(o.status, c.err.empty() ? 0 : 1);
  }
}

TEST(InputTrust, InputWithNoSectionIsNoCleanListing) {
  const std::vector<std::string> inputs = {
      "",
      std::string("\x00\xFF\x13\x80garbage\x7F\n\n\x01", 15),
      "The quick brown fox jumps over the lazy dog.\nIt was not a listing.\n",
      // OCR misread the only header's page number.
      "PAGE O1    KEZ FIRMWARE 0C000-0C7FF  V1.1\n001 C000 00                 NOP\n",
  };
  for (const std::string& input : inputs) {
    SCOPED_TRACE(input);
    for (const char* command : kJudges) {
      SCOPED_TRACE(command);
      Outcome o = report({command}, input);
      EXPECT_EQ(o.status, 1);
      EXPECT_TRUE(o.err.ends_with(kNoSection)) << o.err;
    }
    // The label lists give no verdict: empty lists.
    Outcome code = report({"code"}, input);
    EXPECT_EQ(code.out, "Label;Segment;Adresse\n");
    EXPECT_EQ(code.status, 0);
  }
  // One section read is enough, even one with no code line.
  Outcome one = report({"gaps"}, kHeader + "001\n");
  EXPECT_EQ(one.status, 0);
  EXPECT_EQ(one.err, "");
}

// Duplicate labels are the standard run's message: romlift-report keeps them on standard error,
// out of the rows, rules and records that tools read.
TEST(InputTrust, DuplicateLabelsStayOutOfEveryReport) {
  const std::string twice = sample() + sample();
  const std::string duplicate = "Erreur Label START dej\xC3\xA0 pr\xC3\xA9sent en 0C000-0C7FF/C000\n";
  RunResult romlift = runRomlift(twice);
  ASSERT_NE(romlift.out.find(duplicate), std::string::npos);
  for (const char* command : kAllCommands) {
    SCOPED_TRACE(command);
    Outcome o = report({command}, twice);
    EXPECT_EQ(o.out.find("Erreur Label"), std::string::npos);
    // fix reads the bytes, not the run: it has no such message.
    EXPECT_EQ(o.err.find(duplicate) != std::string::npos, std::string(command) != "fix") << o.err;
  }
  // The tables start with their header rows.
  const std::pair<const char*, std::string> headers[] = {{"code", "Label;Segment;Adresse\n"},
                                                         {"symbols", "Label;Segment;Adresse\n"},
                                                         {"map", "Segment;Ligne;Lignes;Octets;Debut;Fin;Images\n"},
                                                         {"sums", "Fichier;Octets;CRC32;SHA1\n"}};
  for (const auto& [command, header] : headers) EXPECT_TRUE(report({command}, twice).out.starts_with(header)) << command;
}

}  // namespace
}  // namespace romlift::test
