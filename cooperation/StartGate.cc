#include "cooperation/Cooperation.h"

#include <cerrno>

#include "solver/Fatal.h"

StartGate::StartGate() {
  if (sem_init(&token, 0, 0) != 0) fatalError("cannot create the start gate");
}

StartGate::~StartGate() { sem_destroy(&token); }

void StartGate::open() { sem_post(&token); }

// Takes the token and puts it back, so the gate stays open for the next one.
void StartGate::pass() {
  while (sem_wait(&token) != 0 && errno == EINTR) {
  }
  sem_post(&token);
}
