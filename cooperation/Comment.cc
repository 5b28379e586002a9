#include "cooperation/Comment.h"

void comment(const char* format, ...) {
  fflush(stdout);
  va_list args;
  va_start(args, format);
  commentLine(stderr, format, args);
  va_end(args);
}

void commentLine(FILE* stream, const char* format, va_list args) {
  flockfile(stream);
  fputs("c ", stream);
  vfprintf(stream, format, args);
  fputc('\n', stream);
  fflush(stream);
  funlockfile(stream);
}
