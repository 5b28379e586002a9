// Benchmark of the hypergraph partitioner (not a test).
//
// Builds a hypergraph, either the constraint hypergraph of a wcnf/cnf file
// (vertices = clauses, nets = variables, a net's pins = the clauses that
// contain the variable, one pin per occurrence, nets in increasing variable
// order, variables that occur nowhere get no net) or a synthetic one from a
// small linear congruential generator, partitions it with the solver's
// settings into each requested number of parts and prints one line per run:
//
//   instance vertices nets pins parts cut seconds checksum
//
// `checksum` is an FNV-1a hash of the part array, so two builds can be
// compared for identical results.
//
// Usage:
//   hgp-bench [--parts 2,16,64] [--seed S] FILE...          (wcnf/cnf, plain or .gz)
//   hgp-bench [--parts ...] --synthetic VERTICES [--gen-seed S] [--vars-per-clause R]
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "hypergraph/hgp.h"

namespace {

struct Hypergraph {
  std::string name;
  int nvtxs = 0;
  std::vector<int> eptr{0};
  std::vector<int> eind;
  int nhedges() const { return int(eptr.size()) - 1; }
};

// Nets from per-variable occurrence lists (variables numbered from 0).
void BuildNets(Hypergraph *h, const std::vector<std::vector<int>> &occurrences) {
  for (const std::vector<int> &list : occurrences) {
    if (list.empty()) continue;
    h->eind.insert(h->eind.end(), list.begin(), list.end());
    h->eptr.push_back(int(h->eind.size()));
  }
}

// Reads whitespace-separated tokens from a gz (or plain) stream.
class TokenReader {
 public:
  explicit TokenReader(gzFile file) : file_(file) {}
  // Next line as a string; false at end of input.
  bool Line(std::string *line) {
    line->clear();
    for (;;) {
      if (pos_ == len_) {
        int n = gzread(file_, buffer_, sizeof buffer_);
        if (n <= 0) return !line->empty();
        pos_ = 0;
        len_ = n;
      }
      char *start = buffer_ + pos_;
      char *nl = static_cast<char *>(std::memchr(start, '\n', size_t(len_ - pos_)));
      if (nl == nullptr) {
        line->append(start, size_t(len_ - pos_));
        pos_ = len_;
        continue;
      }
      line->append(start, size_t(nl - start));
      pos_ = int(nl - buffer_) + 1;
      return true;
    }
  }

 private:
  gzFile file_;
  char buffer_[1 << 16];
  int pos_ = 0, len_ = 0;
};

// Clauses of a DIMACS cnf, old-style wcnf ("p wcnf" with a weight before
// each clause) or new-style wcnf ("h" or a weight before each clause, no
// header).  Only the literals matter here.
bool ReadFormula(const char *path, Hypergraph *h) {
  gzFile file = gzopen(path, "rb");
  if (file == nullptr) {
    std::fprintf(stderr, "cannot open %s\n", path);
    return false;
  }
  TokenReader reader(file);
  std::vector<std::vector<int>> occurrences;
  std::string line;
  bool weighted = true;  // no header: new-style wcnf
  int clause = 0;
  while (reader.Line(&line)) {
    const char *s = line.c_str();
    while (*s == ' ' || *s == '\t' || *s == '\r') s++;
    if (*s == '\0' || *s == 'c' || *s == '%') continue;
    if (*s == 'p') {
      weighted = std::strstr(s, "wcnf") != nullptr;
      continue;
    }
    char *end = nullptr;
    if (weighted) {
      if (*s == 'h') s++;
      else std::strtod(s, &end), s = end;
    }
    bool any = false;
    for (;;) {
      long lit = std::strtol(s, &end, 10);
      if (end == s) break;
      s = end;
      if (lit == 0) break;
      size_t var = size_t(lit < 0 ? -lit : lit) - 1;
      if (var >= occurrences.size()) occurrences.resize(var + 1);
      occurrences[var].push_back(clause);
      any = true;
    }
    (void)any;
    clause++;  // empty clauses are vertices on no net (islands)
  }
  gzclose(file);
  const char *base = std::strrchr(path, '/');
  h->name = base != nullptr ? base + 1 : path;
  h->nvtxs = clause;
  BuildNets(h, occurrences);
  return true;
}

// 64-bit LCG (Knuth's MMIX constants), high bits used.
class Lcg {
 public:
  explicit Lcg(uint64_t seed) : state_(seed * 2862933555777941757ull + 3037000493ull) {}
  uint32_t Next() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return uint32_t(state_ >> 32);
  }
  int Below(int n) { return int((uint64_t(Next()) * uint64_t(n)) >> 32); }

 private:
  uint64_t state_;
};

// A synthetic constraint hypergraph with local structure: `nvtxs` clauses
// of 2 to 5 distinct variables over nvtxs * varsPerClause variables.  Each
// clause picks a centre variable; nine variables in ten come from a window
// of 16 around it, the others from anywhere.  Clause order is shuffled so
// that vertex numbers carry no locality.
void Synthesize(int nvtxs, double varsPerClause, uint64_t seed, Hypergraph *h) {
  Lcg rng(seed);
  int nvars = std::max(16, int(nvtxs * varsPerClause));
  std::vector<int> order(static_cast<size_t>(nvtxs));
  for (int i = 0; i < nvtxs; i++) order[size_t(i)] = i;
  for (int i = nvtxs - 1; i > 0; i--) std::swap(order[size_t(i)], order[size_t(rng.Below(i + 1))]);
  std::vector<std::vector<int>> occurrences(static_cast<size_t>(nvars));
  std::vector<int> vars;
  for (int c = 0; c < nvtxs; c++) {
    int size = 2 + rng.Below(4);
    int centre = rng.Below(nvars);
    vars.clear();
    while (int(vars.size()) < size) {
      int v = rng.Below(10) < 9 ? (centre + rng.Below(16)) % nvars : rng.Below(nvars);
      bool dup = false;
      for (int x : vars) dup = dup || x == v;
      if (!dup) vars.push_back(v);
    }
    for (int v : vars) occurrences[size_t(v)].push_back(order[size_t(c)]);
  }
  // Occurrence lists in clause (vertex) order, as the solver builds them.
  for (std::vector<int> &list : occurrences) std::sort(list.begin(), list.end());
  char name[64];
  std::snprintf(name, sizeof name, "synthetic-%d", nvtxs);
  h->name = name;
  h->nvtxs = nvtxs;
  BuildNets(h, occurrences);
}

uint64_t Checksum(const std::vector<int> &part) {
  uint64_t hash = 1469598103934665603ull;
  for (int p : part) {
    hash ^= uint64_t(uint32_t(p));
    hash *= 1099511628211ull;
  }
  return hash;
}

int CutOf(const Hypergraph &h, const std::vector<int> &part) {
  int cut = 0;
  for (int e = 0; e < h.nhedges(); e++) {
    for (int j = h.eptr[size_t(e)] + 1; j < h.eptr[size_t(e) + 1]; j++) {
      if (part[size_t(h.eind[size_t(j)])] != part[size_t(h.eind[size_t(h.eptr[size_t(e)])])]) {
        cut++;
        break;
      }
    }
  }
  return cut;
}

void Run(const Hypergraph &h, const std::vector<int> &partCounts, int seed) {
  int options[9] = {1, 10, 1, 1, 1, 0, 0, seed, 0};
  for (int nparts : partCounts) {
    std::vector<int> part(size_t(h.nvtxs) + 1, -1);
    int edgecut = -1;
    auto start = std::chrono::steady_clock::now();
    HGP_PartRecursive(h.nvtxs, h.nhedges(), nullptr, h.eptr.data(), h.eind.data(), nullptr, nparts, 5, options,
                      part.data(), &edgecut);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    part.resize(size_t(h.nvtxs));
    int actual = CutOf(h, part);
    std::vector<int> weights(size_t(nparts), 0);
    for (int p : part) weights[size_t(p)]++;
    int heaviest = 0;
    for (int w : weights) heaviest = std::max(heaviest, w);
    double imbalance = h.nvtxs > 0 ? double(heaviest) * nparts / h.nvtxs : 0.0;
    std::printf("%-34s %9d %9d %10zu %5d %9d %9.3f %6.3f %016" PRIx64 "%s\n", h.name.c_str(), h.nvtxs,
                h.nhedges(), h.eind.size(), nparts, edgecut, seconds, imbalance, Checksum(part),
                actual == edgecut ? "" : "  CUT MISMATCH");
    std::fflush(stdout);
  }
}

std::vector<int> ParseList(const char *text) {
  std::vector<int> values;
  for (const char *s = text; *s != '\0';) {
    char *end = nullptr;
    long value = std::strtol(s, &end, 10);
    if (end == s) break;
    values.push_back(int(value));
    s = *end == ',' ? end + 1 : end;
  }
  return values;
}

void Usage() {
  std::fprintf(stderr,
               "usage: hgp-bench [--parts 2,16,64] [--seed S] FILE...\n"
               "       hgp-bench [--parts 2,16,64] [--seed S] --synthetic VERTICES [--gen-seed S]"
               " [--vars-per-clause R]\n");
}

}  // namespace

int main(int argc, char **argv) {
  std::vector<int> partCounts{2, 16, 64};
  int seed = 91648253;
  uint64_t genSeed = 1;
  double varsPerClause = 0.5;
  std::vector<int> synthetic;
  std::vector<const char *> files;
  for (int i = 1; i < argc; i++) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "--parts" && hasValue) partCounts = ParseList(argv[++i]);
    else if (arg == "--seed" && hasValue) seed = std::atoi(argv[++i]);
    else if (arg == "--synthetic" && hasValue) synthetic.push_back(std::atoi(argv[++i]));
    else if (arg == "--gen-seed" && hasValue) genSeed = std::strtoull(argv[++i], nullptr, 10);
    else if (arg == "--vars-per-clause" && hasValue) varsPerClause = std::atof(argv[++i]);
    else if (arg == "-h" || arg == "--help") return Usage(), 0;
    else if (!arg.empty() && arg[0] == '-') return Usage(), 2;
    else files.push_back(argv[i]);
  }
  if (files.empty() && synthetic.empty()) return Usage(), 2;
  std::printf("%-34s %9s %9s %10s %5s %9s %9s %6s %16s\n", "instance", "vertices", "nets", "pins", "parts", "cut",
              "seconds", "imbal", "checksum");
  for (int n : synthetic) {
    Hypergraph h;
    Synthesize(n, varsPerClause, genSeed, &h);
    Run(h, partCounts, seed);
  }
  for (const char *path : files) {
    Hypergraph h;
    if (!ReadFormula(path, &h)) return 1;
    Run(h, partCounts, seed);
  }
  return 0;
}
