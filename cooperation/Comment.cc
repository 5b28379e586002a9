#include "cooperation/Comment.h"

#include <cstdarg>
#include <cstdio>

void comment(const char* format, ...) {
  fflush(stdout);
  flockfile(stderr);  // one whole line, though every thread and the signal thread write here
  fputs("c ", stderr);
  va_list args;
  va_start(args, format);
  vfprintf(stderr, format, args);
  va_end(args);
  fputc('\n', stderr);
  fflush(stderr);
  funlockfile(stderr);
}
