// Helpers of the front-end tests: scratch files (plain and gzip), running the
// built quon binary as a process, random small weighted problems and their
// brute-force optimum.
#pragma once

#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/common/Lcg.h"

namespace quon_frontend_test {

// A private scratch directory, removed with its files at the end.
class ScratchDir {
  std::string path_;

 public:
  ScratchDir() {
    char pattern[] = "/tmp/quon-frontend-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr) abort();
    path_ = made;
  }
  ~ScratchDir() {
    std::string command = "rm -rf '" + path_ + "'";
    if (system(command.c_str()) != 0) perror("rm");
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

  std::string write(const std::string& name, const std::string& content) const {
    std::string p = file(name);
    std::ofstream out(p, std::ios::binary);
    out << content;
    return p;
  }

  std::string writeGzip(const std::string& name, const std::string& content) const {
    std::string p = file(name);
    gzFile out = gzopen(p.c_str(), "wb");
    if (out == nullptr) abort();
    if (!content.empty() && gzwrite(out, content.data(), (unsigned)content.size()) != (int)content.size()) abort();
    gzclose(out);
    return p;
  }
};

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

struct RunResult {
  int status = -1;  // exit status, or -1 when killed by a signal (or by wait's time-out)
  std::string out, err;
};

// A started process whose standard output and error go to files.
class Process {
  pid_t pid_ = -1;
  std::string outPath_, errPath_;
  bool reaped_ = false;
  RunResult result_;

 public:
  Process(const std::string& binary, const std::vector<std::string>& args, const std::string& outPath,
          const std::string& errPath)
      : outPath_(outPath), errPath_(errPath) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(binary.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ < 0) abort();
    if (pid_ == 0) {
      FILE* out = freopen(outPath.c_str(), "wb", stdout);
      FILE* err = freopen(errPath.c_str(), "wb", stderr);
      FILE* in = freopen("/dev/null", "rb", stdin);
      if (out == nullptr || err == nullptr || in == nullptr) _exit(121);
      execv(binary.c_str(), argv.data());
      _exit(122);
    }
  }
  ~Process() {
    if (!reaped_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t pid() const { return pid_; }

  // Waits up to timeoutSeconds, then kills the process.
  RunResult wait(double timeoutSeconds) {
    if (reaped_) return result_;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    int status = 0;
    for (;;) {
      pid_t done = waitpid(pid_, &status, WNOHANG);
      if (done == pid_) break;
      if (std::chrono::steady_clock::now() > deadline) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    reaped_ = true;
    if (WIFEXITED(status)) result_.status = WEXITSTATUS(status);
    result_.out = readFile(outPath_);
    result_.err = readFile(errPath_);
    return result_;
  }

  // Waits until standard error contains text; false after timeoutSeconds.
  bool waitForErr(const std::string& text, double timeoutSeconds) const {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    while (std::chrono::steady_clock::now() < deadline) {
      if (readFile(errPath_).find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }
};

#ifdef QUON_BINARY
inline RunResult runQuon(const ScratchDir& dir, const std::vector<std::string>& args, double timeoutSeconds = 120) {
  static int counter = 0;
  counter++;
  Process process(QUON_BINARY, args, dir.file("out" + std::to_string(counter)),
                  dir.file("err" + std::to_string(counter)));
  return process.wait(timeoutSeconds);
}
#endif

inline std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::stringstream in(text);
  std::string line;
  while (std::getline(in, line)) result.push_back(line);
  return result;
}

// The lines of text that start with prefix.
inline std::vector<std::string> linesStartingWith(const std::string& text, const std::string& prefix) {
  std::vector<std::string> result;
  for (const auto& line : lines(text))
    if (line.compare(0, prefix.size(), prefix) == 0) result.push_back(line);
  return result;
}

using testing_support::Lcg;

// A weighted clause in DIMACS terms: literals are +-v for variables 1..n.
struct WeightedClause {
  int64_t weight;
  std::vector<int> lits;
};

struct WeightedProblem {
  int nbVars = 0;
  int64_t top = 2147483647;
  std::vector<WeightedClause> clauses;  // weight == top: hard

  bool isHard(const WeightedClause& c) const { return c.weight == top; }

  std::string wcnf(bool writeTop = true) const {
    std::ostringstream text;
    text << "c random problem\n";
    text << "p wcnf " << nbVars << " " << clauses.size();
    if (writeTop) text << " " << top;
    text << "\n";
    for (const auto& c : clauses) {
      text << c.weight;
      for (int l : c.lits) text << " " << l;
      text << " 0\n";
    }
    return text.str();
  }
};

inline bool satisfied(const WeightedClause& c, const std::vector<bool>& value) {
  for (int l : c.lits)
    if (value[(size_t)std::abs(l)] == (l > 0)) return true;
  return false;
}

// The cost of an assignment (index 1..n), or -1 when a hard clause fails.
inline int64_t costOf(const WeightedProblem& p, const std::vector<bool>& value) {
  int64_t cost = 0;
  for (const auto& c : p.clauses) {
    if (satisfied(c, value)) continue;
    if (p.isHard(c)) return -1;
    cost += c.weight;
  }
  return cost;
}

// The optimum over all assignments, or -1 when the hard clauses are unsatisfiable.
inline int64_t bruteForceOptimum(const WeightedProblem& p) {
  int64_t best = -1;
  std::vector<bool> value((size_t)p.nbVars + 1);
  for (uint64_t bits = 0; bits < (1ULL << p.nbVars); bits++) {
    for (int v = 1; v <= p.nbVars; v++) value[(size_t)v] = (bits >> (v - 1)) & 1;
    int64_t cost = costOf(p, value);
    if (cost >= 0 && (best < 0 || cost < best)) best = cost;
  }
  return best;
}

// Reads a "v" line into an assignment (index 1..n); false unless it names
// every variable 1..n exactly once.
inline bool parseModel(const std::string& line, int nbVars, std::vector<bool>& value) {
  if (line.compare(0, 2, "v ") != 0) return false;
  value.assign((size_t)nbVars + 1, false);
  std::vector<bool> seen((size_t)nbVars + 1, false);
  std::istringstream in(line.substr(2));
  int literal;
  int count = 0;
  while (in >> literal) {
    int v = std::abs(literal);
    if (v < 1 || v > nbVars || seen[(size_t)v]) return false;
    seen[(size_t)v] = true;
    value[(size_t)v] = literal > 0;
    count++;
  }
  return in.eof() && count == nbVars;
}

}  // namespace quon_frontend_test
