#include "driver/report_usage.h"

#include <cstring>

namespace romlift {
namespace {

struct CommandName {
  const char* name;
  Command command;
  const char* options;  // in the command's usage line, before the listing
};

constexpr CommandName kCommands[] = {
    {"code", Command::Code, ""},
    {"symbols", Command::Symbols, ""},
    {"rules", Command::Rules, ""},
    {"xref", Command::Xref, ""},
    {"gaps", Command::Gaps, ""},
    {"verify", Command::Verify, " [--cpu=8085|8080|none]"},
    {"map", Command::Map, ""},
    {"sums", Command::Sums, " [--check=FILE [--fill=HH]]"},
    {"ihex", Command::Ihex, " [--offsets]"},
    {"srec", Command::Srec, " [--offsets]"},
    {"rom", Command::Rom, " [--split=SIZE] [--fill=HH]"},
    {"fix", Command::Fix, " [--name=FILE] [--alternatives=FILE]"},
};

constexpr unsigned bit(Command c) { return 1u << static_cast<unsigned>(c); }

// One paragraph of the command list: the commands it is about, what it shows in the first
// column and its text, one line of the help per line of text.
struct Paragraph {
  unsigned commands;
  const char* synopsis;
  const char* text;
};

constexpr Paragraph kParagraphs[] = {
    {bit(Command::Code), "code", "every label of the code lines: Label;Segment;Adresse"},
    {bit(Command::Symbols), "symbols", "every label of the symbol tables: Label;Segment;Adresse"},
    {bit(Command::Rules), "rules",
     "lex-style rules that accept each code-line label despite OCR look-alikes\n"
     "(0/O, 1/I, 5/S, 8/B, ...), for labels that hold such a character"},
    {bit(Command::Xref), "xref",
     "code-line, EQU and DS labels missing from the symbol tables, and symbol-\n"
     "table labels that no code line, EQU value or DS address accounts for;\n"
     "sections without symbol table are named and left alone; then\n"
     "\"Nb erreurs : N\""},
    {bit(Command::Gaps), "gaps",
     "every accepted code line or DS line that does not stand at the previous\n"
     "line's address plus its byte count or reserved size (ORG and a new\n"
     "section start a new run), with the bytes missing or overlapping; every\n"
     "code line printed outside the layout (\"<<< Hors format >>>\": a blank in\n"
     "the operand, more than 3 bytes, an operand over 8 characters), whose bytes\n"
     "romlift skips; then \"Nb ruptures : N\", both kinds counted"},
    {bit(Command::Verify), "verify [--cpu=8085|8080|none]",
     "every code line's object code against its mnemonic, its operand and the\n"
     "labels' values (symbol table, then the section's labels, EQU and DS\n"
     "lines, then the one other section that defines it): its length, its\n"
     "opcode, its operand bytes, DB and DW data. One line per difference, with\n"
     "the digit OCR probably misread; \"<<< Probable >>>\" for a line unlike\n"
     "nearly all lines of the same shape (for mnemonics the table does not\n"
     "know; --cpu none: for every line); lines whose bytes cannot all be known\n"
     "are not checkable, never an error; a section whose lines mostly do not\n"
     "follow the table is not judged by it (\"<<< Info >>>\"). Then\n"
     "\"Nb lignes v\xC3\xA9rifi\xC3\xA9" "es : N\", \"Nb lignes non v\xC3\xA9rifiables : K\",\n"
     "\"Nb erreurs : M\" (8085 by default)"},
    {bit(Command::Map), "map",
     "one row per section (first-page header): segment, header line, code lines,\n"
     "bytes, first and last address, image files and offsets its bytes go to"},
    {bit(Command::Sums), "sums",
     "one row per image file romlift would write: Fichier;Octets;CRC32;SHA1,\n"
     "then one per section: Segment;Octets;Somme8;Somme16;CRC32 (its bytes\n"
     "added up mod 256 and mod 65536)"},
    {bit(Command::Sums), "sums --check=FILE",
     "compares the image files with the values FILE gives, as sha1sum lines\n"
     "(\"SHA1  NAME\", or \"SHA1 (NAME) = SHA1\" of sha1sum --tag) or lines with\n"
     "CRC(xxxxxxxx) and/or SHA1(...) and the name: \"Conforme : NAME\" or\n"
     "\"<<< Erreur >>> : NAME ...\" per image named, then \"Nb erreurs : N\";\n"
     "a quoted name followed by an offset and a size, as in ROM_LOAD( \"NAME\",\n"
     "0xe000, 0x0800, CRC(...) SHA1(...) ), stands for the bytes at those\n"
     "addresses as rom writes them (--fill: the byte no line gives, FF by\n"
     "default); FILE is read before the listing"},
    {bit(Command::Ihex), "ihex",
     "the object code as Intel HEX, each byte at its code line's address (with\n"
     "the bits above 16 of its section's range); bytes that an earlier line gave\n"
     "already are reported on standard error, one line per run of them, then\n"
     "\"Nb chevauchements : N\"; the later line's bytes are written"},
    {bit(Command::Srec), "srec", "the same as Motorola S-records (S1/S9, or S2/S8, S3/S7 for larger addresses)"},
    {bit(Command::Ihex) | bit(Command::Srec), "ihex --offsets, srec --offsets",
     "each byte at its offset in the image files put one after the other"},
    {bit(Command::Rom), "rom [--split=SIZE] [--fill=HH]",
     "writes in the current folder one binary ROM image per block of SIZE bytes\n"
     "(256 to 64K, a power of 2, K for 1024; 2K by default) that the code lines\n"
     "reach, each byte at its address as ihex places it and HH (FF by default)\n"
     "where no line gives one, named rom_LOW-HIGH.bin (rom_E000-E7FF.bin); one\n"
     "row per image: Fichier;Debut;Fin;Octets;Remplis (bytes from the listing,\n"
     "bytes filled). A line that gives another byte to an address an earlier\n"
     "line gave is reported on standard error (\"<<< Conflit >>>\"), then\n"
     "\"Nb conflits : N\"; the later byte is written"},
    {bit(Command::Fix), "fix [--name=FILE] [--alternatives=FILE]",
     "the corrections of OCR damage that the listing itself forces (look-alike\n"
     "characters, blanks lost or added, a tab, a stray mark, a line split in two\n"
     "or two run together), as a unified diff of the listing (--- a/FILE,\n"
     "+++ b/FILE, FILE \"listing\" by default) for patch or git apply: a line is\n"
     "corrected only when one correction alone makes it agree with its layout,\n"
     "the page structure, the addresses, its object code and the symbol tables.\n"
     "--alternatives=FILE reads romlift-ocr's alternatives file of the listing:\n"
     "a reading backed by a choice the OCR engine offered ranks above one that\n"
     "no choice supports.\n"
     "On standard error \"<<< Cas ambigu >>>\" with each correction that fits\n"
     "equally well (the line is left), \"<<< Non r\xC3\xA9parable >>>\" for what cannot\n"
     "be restored (a line lost, bytes nobody printed), then \"Nb corrections : N\",\n"
     "\"Nb cas ambigus : K\", \"Nb dommages non r\xC3\xA9parables : M\""},
};

constexpr const char* kHead =
    "Usage: romlift-report COMMAND [OPTION]... [LISTING]\n"
    "\n"
    "Reads an OCR'd assembler listing from the file LISTING, or from standard input without it\n"
    "(or with -), checks it exactly as romlift does (syntax errors and duplicate symbol-table\n"
    "labels on standard error), writes no byte count and no image file but those of rom, then\n"
    "prints one report on standard output.\n"
    "A Ctrl-Z byte ends the listing, as it ends romlift's input. When more than Ctrl-Z padding\n"
    "and blanks follows it, every command names its line and what was ignored on standard\n"
    "error (\"<<< Entr\xC3\xA9" "e coup\xC3\xA9" "e >>>\"); when no section header was read, xref, gaps,\n"
    "verify, map, sums, ihex, srec and rom say so (\"<<< Aucune section >>>\"). Both end with\n"
    "status 1.\n"
    "\n"
    "Commands:\n";

constexpr const char* kTail =
    "\n"
    "Order: code, symbols, rules and xref list the newest entry first and, within an entry,\n"
    "the newest label first (xref: code lines, then EQU and DS lines, then symbol tables);\n"
    "gaps, verify, map, sums and fix follow the listing from top to bottom; ihex, srec and rom\n"
    "go up the addresses.\n"
    "\n"
    "Exit status: 0; 1 when xref, gaps or verify report a problem, sums --check finds an image\n"
    "or a range that does not match, ihex or srec find two lines giving the same address, rom\n"
    "two lines giving it different bytes or an image it cannot write, fix leaves a problem\n"
    "in the patched listing (or an ambiguity, or damage it cannot repair), a Ctrl-Z cut the\n"
    "listing short, no section was read, or the output cannot be written; 2 on a usage error\n"
    "(a LISTING or check FILE that cannot be read or has a malformed line too) or when the\n"
    "listing cannot be read.\n"
    "\n"
    "Examples:\n"
    "  romlift-report gaps firmware.lst\n"
    "  romlift-report verify --cpu=8080 < firmware.lst\n"
    "  romlift-report sums --check roms.sha1 firmware.lst\n"
    "  romlift-report ihex firmware.lst > firmware.hex\n"
    "  romlift-report rom --split=2K firmware.lst\n"
    "  romlift-report fix --name firmware.lst < firmware.lst > firmware.diff\n"
    "\n"
    "An option's value follows it after a blank or after \"=\"; \"--\" ends the options.\n"
    "Options: -h, --help   this text, or after a command its part of it;\n"
    "         --version    the version.\n";

constexpr int kTextColumn = 12;

// The paragraph: its synopsis in the first column, its text from kTextColumn on, starting on
// the synopsis's line when the synopsis leaves room.
void printParagraph(const Paragraph& p, FILE* out) {
  int width = static_cast<int>(std::strlen(p.synopsis));
  bool sameLine = width <= kTextColumn - 3;
  std::fprintf(out, sameLine ? "  %s" : "  %s\n", p.synopsis);
  for (const char* line = p.text; *line != '\0';) {
    const char* end = std::strchr(line, '\n');
    int length = static_cast<int>(end != nullptr ? end - line : std::strlen(line));
    std::fprintf(out, "%*s%.*s\n", sameLine ? kTextColumn - 2 - width : kTextColumn, "", length, line);
    sameLine = false;
    line = end != nullptr ? end + 1 : line + length;
  }
}

}  // namespace

bool parseCommand(std::string_view word, Command* command) {
  for (const CommandName& c : kCommands) {
    if (word == c.name) {
      *command = c.command;
      return true;
    }
  }
  return false;
}

void printHelp(FILE* out) {
  std::fputs(kHead, out);
  for (const Paragraph& p : kParagraphs) printParagraph(p, out);
  std::fputs(kTail, out);
}

void printCommandHelp(Command command, FILE* out) {
  for (const CommandName& c : kCommands)
    if (c.command == command) std::fprintf(out, "Usage: romlift-report %s%s [LISTING]\n\n", c.name, c.options);
  for (const Paragraph& p : kParagraphs)
    if (p.commands & bit(command)) printParagraph(p, out);
  std::fputs("\nThe listing is read from LISTING, or from standard input without it. romlift-report\n"
             "--help tells every command, the messages of all of them and the exit status.\n",
             out);
}

}  // namespace romlift
