#include "cooperation/Output.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

namespace {

std::atomic<bool> outputClaimed{false};
thread_local bool ownsOutput = false;
bool heldForGood = false;  // touched by the owner only

// Standard error is unbuffered: a line handed to stdio would still go out in
// pieces, so it is written to the descriptor directly, in one call unless
// the descriptor takes less.
void writeToDescriptor(int fd, const char* text, size_t length) {
  while (length > 0) {
    const ssize_t written = write(fd, text, length);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;  // nothing more can be said on this stream
    text += written;
    length -= (size_t)written;
  }
}

}  // namespace

bool claimOutput() {
  if (ownsOutput) return true;
  bool expected = false;
  if (!outputClaimed.compare_exchange_strong(expected, true, std::memory_order_acq_rel)) return false;
  ownsOutput = true;
  return true;
}

void claimOutputOrWait() {
  if (claimOutput()) return;
  for (;;) pause();  // the owner ends the process
}

// An answer that did not reach standard output (a full disk, a pipe whose
// reader is gone while SIGPIPE is ignored) must not end with a result's
// status: the caller would take the answer for one it has.
void endProcess(int status) {
  claimOutputOrWait();
  flockfile(stdout);  // never given back
  if (fflush(stdout) != 0 || ferror(stdout)) {
    static const char lost[] = "c Error: could not write standard output\n";
    writeToDescriptor(fileno(stderr), lost, sizeof lost - 1);
    status = 1;
  }
  _exit(status);
}

// A writer that finds the output claimed by another thread drops its line.
// The owner's first line takes the lock once more and never gives that
// back: from then on every other writer, also one that writes through stdio
// directly, waits at the lock until the process ends.
bool lockOutput() {
  flockfile(stdout);
  if (!outputClaimed.load(std::memory_order_acquire)) return true;
  if (!ownsOutput) {
    funlockfile(stdout);
    return false;
  }
  if (!heldForGood) {
    flockfile(stdout);
    heldForGood = true;
  }
  return true;
}

void unlockOutput() {
  fflush(stdout);
  funlockfile(stdout);
}

void writeLines(FILE* stream, const char* text, size_t length) {
  if (!lockOutput()) return;
  if (stream == stdout) {
    fwrite(text, 1, length, stdout);
  } else {
    fflush(stdout);
    writeToDescriptor(fileno(stream), text, length);
  }
  unlockOutput();
}

void printLine(FILE* stream, const char* format, ...) {
  va_list args;
  va_start(args, format);
  printLineV(stream, "", format, args);
  va_end(args);
}

void printLineV(FILE* stream, const char* prefix, const char* format, va_list args) {
  const size_t prefixLength = strlen(prefix);
  char local[1024];
  va_list again;
  va_copy(again, args);
  const size_t room = sizeof local - prefixLength - 1;  // the newline's place kept free
  const int needed = vsnprintf(local + prefixLength, room, format, args);
  if (needed >= 0) {
    std::string longLine;
    char* line = local;
    if ((size_t)needed >= room) {  // rare: a long file name, say
      longLine.assign(prefixLength + (size_t)needed + 1, '\0');
      line = &longLine[0];
      vsnprintf(line + prefixLength, (size_t)needed + 1, format, again);
    }
    memcpy(line, prefix, prefixLength);
    line[prefixLength + (size_t)needed] = '\n';
    writeLines(stream, line, prefixLength + (size_t)needed + 1);
  }
  va_end(again);
}
