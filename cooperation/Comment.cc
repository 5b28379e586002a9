#include "cooperation/Comment.h"

#include "cooperation/Output.h"

void comment(const char* format, ...) {
  va_list args;
  va_start(args, format);
  commentLine(stderr, format, args);
  va_end(args);
}

void commentLine(FILE* stream, const char* format, va_list args) { printLineV(stream, "c ", format, args); }

void endWithComment(int status, const char* format, ...) {
  claimOutputOrWait();
  va_list args;
  va_start(args, format);
  commentLine(stderr, format, args);
  va_end(args);
  endProcess(status);
}
