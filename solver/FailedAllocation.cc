// A failed allocation by new ends the run as a failed xmalloc does.
//
// The solver catches no exceptions: a std::bad_alloc thrown out of new or a
// standard container would reach std::terminate and abort the process (a
// line outside the "c" convention, status 134, perhaps a core dump). The
// new-handler below ends the run at the failing call instead, in whichever
// thread it happens, without unwinding stacks the other threads may still
// read.
#include <cstddef>
#include <exception>
#include <new>

#include "solver/Fatal.h"

namespace {

// Set while this thread is inside a nothrow new. Its caller copes with a
// null result (std::stable_sort sorts in place without its buffer), so the
// failure goes back to it instead of ending the run.
thread_local bool allocatingNothrow = false;

template <class Allocate>
void* allocateOrNull(Allocate allocate) noexcept {
  allocatingNothrow = true;
  void* block = nullptr;
  try {
    block = allocate();
  } catch (...) {
  }
  allocatingNothrow = false;
  return block;
}

std::terminate_handler previousTerminate = nullptr;

// The failing thread ends the run from where it stands, or waits for the
// owner of the output to end it. So no allocation may happen under a lock
// that an owner takes on its way out (boundMutex, the standard-output lock).
void onFailedNew() {
  if (allocatingNothrow) throw std::bad_alloc();
  fatalError("out of memory");
}

// A std::bad_alloc that no failed allocation is behind (an allocator asked
// for more than its maximum size, a negative array length) escapes to
// std::terminate; it ends the run the same way. Anything else terminates
// as before (a container's own size check throws std::length_error).
void onTerminate() {
  if (std::exception_ptr thrown = std::current_exception()) {
    try {
      std::rethrow_exception(thrown);
    } catch (const std::bad_alloc&) {
      fatalError("out of memory");
    } catch (...) {
    }
  }
  previousTerminate();
}

}  // namespace

// The sanitizers' allocators report a failed allocation themselves and never
// call the new-handler; they keep their own nothrow new.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// Every nothrow form is replaced: the library's own versions call the
// throwing forms, and so the new-handler.
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
  return allocateOrNull([bytes] { return ::operator new(bytes); });
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
  return allocateOrNull([bytes] { return ::operator new[](bytes); });
}
void* operator new(std::size_t bytes, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return allocateOrNull([bytes, alignment] { return ::operator new(bytes, alignment); });
}
void* operator new[](std::size_t bytes, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return allocateOrNull([bytes, alignment] { return ::operator new[](bytes, alignment); });
}
#endif

void endRunOnFailedAllocation() {
  std::set_new_handler(onFailedNew);
  previousTerminate = std::set_terminate(onTerminate);
}
