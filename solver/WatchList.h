// A list of watches of one literal in one pointer: its size and capacity live
// in front of its elements, so a literal that watches nothing costs 8 bytes
// (a vec costs 16). A problem may declare millions of variables that no
// constraint holds, each with two lists. The interface is the subset of
// vec's that the watch walks use; elements are plain values moved by realloc.
#pragma once

#include <cassert>
#include <cstdlib>

#include "solver/Fatal.h"

template <class T>
class WatchList {
  struct Header {
    int sz;
    int cap;
  };
  static_assert(sizeof(Header) % alignof(T) == 0, "elements follow the header aligned");
  Header* header = nullptr;

  T* data() const { return reinterpret_cast<T*>(header + 1); }
  // The growth sequence of vec.
  void grow() {
    const int capacity = header == nullptr ? 0 : header->cap;
    int grown = (int)(((long long)capacity * 3 + 1) >> 1);
    if (grown < 2) grown = 2;
    const int size = header == nullptr ? 0 : header->sz;
    header = (Header*)xrealloc((void*)header, sizeof(Header) + sizeof(T) * (size_t)grown);
    header->sz = size;
    header->cap = grown;
  }

 public:
  WatchList() = default;
  ~WatchList() { clear(true); }
  WatchList(const WatchList&) = delete;
  WatchList& operator=(const WatchList&) = delete;

  int size() const { return header == nullptr ? 0 : header->sz; }
  T* begin() { return header == nullptr ? nullptr : data(); }
  T* end() { return header == nullptr ? nullptr : data() + header->sz; }
  const T* begin() const { return header == nullptr ? nullptr : data(); }
  const T* end() const { return header == nullptr ? nullptr : data() + header->sz; }
  T& operator[](int i) { assert(i >= 0 && i < size()); return data()[i]; }
  const T& operator[](int i) const { assert(i >= 0 && i < size()); return data()[i]; }
  T& last() { return data()[header->sz - 1]; }

  void push(const T& element) {
    if (header == nullptr || header->sz == header->cap) {
      T copy = element;  // element may live inside this list
      grow();
      data()[header->sz++] = copy;
      return;
    }
    data()[header->sz++] = element;
  }
  void pop() {
    assert(size() > 0);
    header->sz--;
  }
  void shrink(int n) {
    assert(n <= size());
    if (n > 0) header->sz -= n;
  }
  void clear(bool dealloc = false) {
    if (header == nullptr) return;
    header->sz = 0;
    if (dealloc) {
      free(header);
      header = nullptr;
    }
  }
};
