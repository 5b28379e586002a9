// The character level of the OPB and RUK readers: a cursor over the loaded
// text that never passes its end, with the line it is on.
//
// Blanks are spaces, tabs and carriage returns (so that a file with CRLF line
// ends reads like one with LF); a line ends at a newline or at the end of the
// text. A name is a run of visible characters up to a blank or one of
// ";<>=", so "x1>=1;" reads as x1, ">=", 1.
#pragma once

#include <cstdint>
#include <string>

class PBScanner {
 public:
  // The largest number the readers take: coefficients, right-hand sides,
  // weights and limits are 32-bit values of the engine and the driver.
  static const int64_t maxNumber = 2147483647;

  enum class Number { Missing, Read, TooBig };

  PBScanner(const char* text, const char* end) : cursor(text), limit(end) {}

  bool atEnd() const { return cursor == limit; }
  bool atLineEnd() const { return cursor == limit || *cursor == '\n'; }
  char peek() const { return cursor == limit ? '\0' : *cursor; }
  void advance() {
    if (cursor != limit) cursor++;
  }
  int lineNumber() const { return line; }

  void skipBlanks() {
    while (cursor != limit && isBlank(*cursor)) cursor++;
  }
  bool startsWith(const char* word) const;
  // Past the next newline, or to the end of the text.
  void skipLine();
  // Skips a line with nothing more to read (blanks, then the line end or a
  // "*" comment), newline included; false, past the blanks, otherwise.
  bool skipEmptyRest();
  // What may follow a statement's last number: blanks and ";"s, then the end
  // of the line or a "*" comment; all of it is skipped with the newline.
  // False when anything else follows: a second statement or ".5" would
  // otherwise be dropped unseen.
  bool skipStatementEnd();
  // A ";" with the start of something else right after it ("a;b", ";3x").
  // Names that run to a blank would make the whole run one name, so the
  // readers refuse it rather than split it into two terms. A further ";" or
  // a "*" comment may follow a ";" directly: "x;;" and "x;* note" are whole.
  bool atGluedSemicolon() const {
    if (peek() != ';' || limit - cursor < 2) return false;
    const char next = cursor[1];
    return isVisible(next) && next != ';' && next != '*';
  }
  // Where a name is due: a decimal fraction (".5", ",5" as in "2.5 x" or
  // "+.5 x"), which the format, with integers only, does not have.
  bool atFraction() const { return limit - cursor > 1 && (*cursor == '.' || *cursor == ',') && isDigit(cursor[1]); }
  // Skips the UTF-8 byte-order mark some editors put at the start of a text.
  void skipByteOrderMark() {
    if (startsWith("\xEF\xBB\xBF")) cursor += 3;
  }
  // Signs and blanks between them; true when the number of "-" is odd.
  bool readSigns();
  // Decimal digits; a value above maxNumber reads as TooBig (all its digits consumed).
  Number readNumber(int64_t& value);
  static bool isNameStart(char c) { return isNameChar(c) && !isDigit(c) && c != '+' && c != '-' && c != '~'; }
  // A name at the cursor (empty when none starts there).
  void readName(std::string& name);

  static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
  static bool isDigit(char c) { return c >= '0' && c <= '9'; }
  static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
  static bool isVisible(char c) {
    const unsigned char u = (unsigned char)c;
    return u > ' ' && u != 127;
  }
  static bool isNameChar(char c) { return isVisible(c) && c != ';' && c != '<' && c != '>' && c != '='; }

 private:
  const char* cursor;
  const char* limit;
  int line = 1;
};
