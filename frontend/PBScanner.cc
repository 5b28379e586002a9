#include "frontend/PBScanner.h"

#include <cstring>

bool PBScanner::startsWith(const char* word) const {
  const size_t length = strlen(word);
  return (size_t)(limit - cursor) >= length && memcmp(cursor, word, length) == 0;
}

void PBScanner::skipLine() {
  while (cursor != limit && *cursor != '\n') cursor++;
  if (cursor != limit) {
    cursor++;
    line++;
  }
}

bool PBScanner::skipEmptyRest() {
  skipBlanks();
  if (!atLineEnd() && peek() != '*') return false;
  skipLine();
  return true;
}

bool PBScanner::skipStatementEnd() {
  for (skipBlanks(); peek() == ';'; skipBlanks()) advance();
  return skipEmptyRest();
}

bool PBScanner::readSigns() {
  bool negative = false;
  for (skipBlanks(); cursor != limit && (*cursor == '+' || *cursor == '-'); skipBlanks()) {
    negative ^= *cursor == '-';
    cursor++;
  }
  return negative;
}

PBScanner::Number PBScanner::readNumber(int64_t& value) {
  if (!isDigit(peek())) return Number::Missing;
  value = 0;
  bool tooBig = false;
  for (; cursor != limit && isDigit(*cursor); cursor++) {
    if (tooBig) continue;
    value = value * 10 + (*cursor - '0');
    tooBig = value > maxNumber;
  }
  return tooBig ? Number::TooBig : Number::Read;
}

void PBScanner::readName(std::string& name) {
  name.clear();
  const char* start = cursor;
  if (cursor == limit || !isNameStart(*cursor)) return;
  while (cursor != limit && isNameChar(*cursor)) cursor++;
  name.assign(start, (size_t)(cursor - start));
}
