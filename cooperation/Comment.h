// Comment lines: "c " + text on standard error, with standard output
// flushed first (so results and comments interleave in order) and standard
// error after.
#pragma once

void comment(const char* format, ...) __attribute__((format(printf, 1, 2)));
