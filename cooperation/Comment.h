// Comment lines: "c " + text, whole, on standard error (standard output
// flushed first, so results and comments interleave in order).
#pragma once

#include <cstdarg>
#include <cstdio>

void comment(const char* format, ...) __attribute__((format(printf, 1, 2)));

// One "c " line on stream, whatever thread prints it: the workers and the
// signal thread all print, and none of their lines may come out inside
// another, nor after the answer.
void commentLine(FILE* stream, const char* format, va_list args) __attribute__((format(printf, 2, 0)));

// Ends the run with one comment line on standard error (a refused command
// line or input, a fatal error): the output is claimed first, so a run whose
// answer is already out keeps it and is ended by its owner instead.
[[noreturn]] void endWithComment(int status, const char* format, ...) __attribute__((format(printf, 2, 3)));
