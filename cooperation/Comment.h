// Comment lines: "c " + text on standard error, with standard output
// flushed first (so results and comments interleave in order) and standard
// error after.
#pragma once

#include <cstdarg>
#include <cstdio>

void comment(const char* format, ...) __attribute__((format(printf, 1, 2)));

// One "c " line on stream, written under the stream's lock and flushed: the
// worker threads and the signal thread all print, and none of their lines
// may come out inside another.
void commentLine(FILE* stream, const char* format, va_list args) __attribute__((format(printf, 2, 0)));
