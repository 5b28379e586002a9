#include "hypergraph/util.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "hypergraph/ZVlib.h"
#include "hypergraph/hgp.h"

static HGP_FatalHandler fatalHandler = nullptr;

void HGP_SetFatalHandler(HGP_FatalHandler handler) { fatalHandler = handler; }

/* The message is formatted whole first, so that it leaves in one write, and
 * in a buffer of its own: this runs when an allocation has failed. */
void errexit__(const char *format, ...) {
  char text[1024];
  const size_t room = sizeof text - 2;  // the two newlines of the default end
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(text, room, format, args);
  va_end(args);
  if (length < 0) length = 0;
  if (size_t(length) >= room) length = int(room) - 1;
  while (length > 0 && text[length - 1] == '\n') text[--length] = '\0';
  if (fatalHandler != nullptr) fatalHandler(text);
  text[length++] = '\n';
  text[length++] = '\n';
  std::fwrite(text, 1, size_t(length), stderr);
  std::fflush(stderr);
  std::exit(EXIT_FAILURE);
}

bool Stopped__(HgpCtrl *ctrl) {
  if (ctrl->stopped == 0 && ctrl->stop != nullptr && ctrl->stop(ctrl->stopArg) != 0) ctrl->stopped = 1;
  return ctrl->stopped != 0;
}

static const uint64_t kRandomMask = (uint64_t(1) << 48) - 1;

void InitRandom__(HgpCtrl *ctrl, int seed) {
  uint32_t value = seed >= 0 ? uint32_t(seed) : uint32_t(std::time(nullptr));
  ctrl->randomState = (uint64_t(value) << 16) | 0x330E;
}

double RandomDouble__(HgpCtrl *ctrl) {
  ctrl->randomState = (UINT64_C(0x5DEECE66D) * ctrl->randomState + 0xB) & kRandomMask;
  return double(ctrl->randomState) / double(uint64_t(1) << 48);
}

static void SetIdentity__(int *array, int n) {
  for (int i = 0; i < n; i++) array[i] = i;
}

void RandomPermute__(HgpCtrl *ctrl, int *array, int n, int init) {
  if (init) SetIdentity__(array, n);
  if (n < 16) return;
  for (int round = 0; round < n / 16; round++) {
    /* Two statements: the draw order must not depend on evaluation order. */
    int p = int(RandomDouble__(ctrl) * (n - 8));
    int q = int(RandomDouble__(ctrl) * (n - 8));
    for (int j = 0; j < 4; j++) std::swap(array[p + j], array[q + j]);
  }
}

void RandomPermuteFine__(HgpCtrl *ctrl, int *array, int n, int init) {
  if (init) SetIdentity__(array, n);
  for (int i = 0; i < n; i++) {
    int p = int(RandomDouble__(ctrl) * n);
    int q = int(RandomDouble__(ctrl) * n);
    std::swap(array[p], array[q]);
  }
}

void BucketSortKeysInc(int n, int maxkey, const int *key, const int *in, int *out) {
  int *start = ismalloc__(size_t(maxkey) + 2, 0, "BucketSortKeysInc: counts");
  for (int i = 0; i < n; i++) start[key[in[i]] + 1]++;
  for (int k = 1; k <= maxkey + 1; k++) start[k] += start[k - 1];
  for (int i = 0; i < n; i++) out[start[key[in[i]]]++] = in[i];
  ZVfree__(&start);
}
