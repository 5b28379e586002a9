// The process's two output streams and who may write to them.
//
// Standard output carries the results ("o", "s", "v" and the readers' "c"
// lines), standard error the other "c" lines. Harnesses often send both to
// one file and look for the line that starts with "s ", so two rules hold
// for every writer of the program:
//
// - A line goes out whole. It is formatted first and written under the
//   standard-output lock; a line for standard error is written in one call,
//   with standard output flushed before it. Lines of the two streams never
//   cut into each other, and they land in the file in the order of the calls.
// - The end of the run is claimed once. The claiming thread (an answer, a
//   signal report, a refused input, a fatal error) owns the output from the
//   claim until it ends the process: the lines of any other thread are
//   dropped, and another thread's attempt to end the run waits for the end.
//
// Lock order: a writer holds the standard-output lock only while it writes,
// and takes no other lock meanwhile. The owner keeps the lock for good from
// its first line on, so it must take every mutex it needs (boundMutex for a
// signal report) before that line.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>

// True for the first thread that asks, and for that thread again later.
bool claimOutput();
// Claims the output, or, when another thread has it, waits for that thread
// to end the process.
void claimOutputOrWait();
// Ends the process with standard output flushed: the caller owns the output
// (it is claimed here if not). When standard output could not be written,
// it says so on standard error and the status is 1, whatever was asked.
// _exit, not exit: the other threads are still running, and no static
// destructor may run under them, nor exit's flush, which ignores the
// stream locks.
[[noreturn]] void endProcess(int status);

// Text made of whole lines, written to stream (stdout or stderr) as above.
void writeLines(FILE* stream, const char* text, size_t length);
// One line formatted like printf, its newline added.
void printLine(FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));
// The same after a fixed prefix ("c " for comment lines).
void printLineV(FILE* stream, const char* prefix, const char* format, va_list args)
    __attribute__((format(printf, 3, 0)));

// For a line that takes many writes to standard output (the model): false,
// and nothing locked, when another thread owns the output; true with the
// lock held otherwise. unlockOutput flushes and gives the lock back.
bool lockOutput();
void unlockOutput();
