// What OCR does to a printed line, undone one slip at a time: the texts a damaged line may
// have been before its slip.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace romlift::fix {

// The characters that c may have been before OCR read it as c: its look-alikes (0 O D Q,
// 1 I l |, 5 S, 8 B, 2 Z, 6 G b, C G 0, E F) and, for a lower-case letter, its upper case.
std::string_view readAs(char c);

// True for the marks a speck on the paper is read as.
bool isStrayMark(char c);

using TextSink = std::function<void(std::string&&)>;

// Every text that one slip takes to s: a character read as another, a blank lost or added, a
// run of blanks read as a tab, a stray mark added. Characters and blanks are undone only in
// columns [from, limit) (a comment after it is not proofread), tabs anywhere; nothing on a line
// longer than any listing prints.
void undoSlips(std::string_view s, size_t from, size_t limit, const TextSink& emit);

// The line that `head` and `tail` were before OCR split it, the tail's first character at a
// column from `from` to `to`; nothing when the tail starts with a blank, a line number or a page
// header, or holds no letter, digit or $. A text never gets a blank at its end.
void undoSplit(std::string_view head, std::string_view tail, size_t from, size_t to, const TextSink& emit);

// True when s starts with three digits or look-alikes of digits, stray marks aside: a numbered
// line however misread, whose text a break may miss.
bool mayHoldNumber(std::string_view s);

// True when the first word of s, stray marks aside, is three digits or look-alikes of digits,
// or fewer and the whole of s: a line number, or one cut short. A split never leaves one at the
// start of its second part.
bool mayBeNumberWord(std::string_view s);

// The places where s may be two lines run together: each position where a numbered line or a
// page header starts, after the first character. emit gets both parts, the first without the
// blanks it ends with.
void undoJoin(std::string_view s, const std::function<void(std::string&&, std::string&&)>& emit);

}  // namespace romlift::fix
