// The growable array of the solver: plain values moved by realloc, never by
// copy constructors. Its growth sequence is deliberate: callers size their
// buffers around it, and the learnt-clause order depends on nothing else.
#pragma once

#include <cassert>
#include <climits>
#include <cstdlib>
#include <new>

#include "solver/Fatal.h"

template <class T>
class vec {
  T* data;
  int sz;
  int cap;

  static int nextCapacity(int capacity) {
    int grown = (int)(((long long)capacity * 3 + 1) >> 1);
    return grown > 2 ? grown : 2;
  }
  void reserveExactly(int capacity) {
    data = (T*)xrealloc((void*)data, sizeof(T) * (size_t)capacity);
    cap = capacity;
  }

 public:
  vec() : data(nullptr), sz(0), cap(0) {}
  explicit vec(int size) : data(nullptr), sz(0), cap(0) { growTo(size); }
  vec(int size, const T& pad) : data(nullptr), sz(0), cap(0) { growTo(size, pad); }
  ~vec() { clear(true); }
  vec(const vec&) = delete;
  vec& operator=(const vec&) = delete;

  int size() const { return sz; }
  int capacity() const { return cap; }
  T* begin() { return data; }
  T* end() { return data + sz; }
  const T* begin() const { return data; }
  const T* end() const { return data + sz; }

  T& operator[](int i) { assert(i >= 0 && i < sz); return data[i]; }
  const T& operator[](int i) const { assert(i >= 0 && i < sz); return data[i]; }
  T& last() { return data[sz - 1]; }
  const T& last() const { return data[sz - 1]; }

  void push(const T& element) {
    if (sz == cap) {
      T copy = element;  // element may live inside this vector
      reserveExactly(nextCapacity(cap));
      new (&data[sz++]) T(copy);
      return;
    }
    new (&data[sz++]) T(element);
  }
  void push() {
    if (sz == cap) reserveExactly(nextCapacity(cap));
    new (&data[sz++]) T();
  }
  void pop() { data[--sz].~T(); }
  void shrink(int n) { for (int i = 0; i < n; i++) pop(); }

  // Capacity grows from 0 straight to max(2, n), otherwise by the push step until n fits.
  void capacityFor(int n) {
    if (n <= cap) return;
    int capacity = cap;
    if (capacity == 0) {
      capacity = n > 2 ? n : 2;
    } else {
      while (capacity < n) capacity = nextCapacity(capacity);
    }
    reserveExactly(capacity);
  }
  void growTo(int n) {
    if (sz >= n) return;
    capacityFor(n);
    for (int i = sz; i < n; i++) new (&data[i]) T();
    sz = n;
  }
  void growTo(int n, const T& pad) {
    if (sz >= n) return;
    capacityFor(n);
    for (int i = sz; i < n; i++) new (&data[i]) T(pad);
    sz = n;
  }
  void clear(bool dealloc = false) {
    for (int i = 0; i < sz; i++) data[i].~T();
    sz = 0;
    if (dealloc && data != nullptr) {
      free(data);
      data = nullptr;
      cap = 0;
    }
  }
  void copyTo(vec<T>& copy) const {
    copy.clear();
    copy.capacityFor(sz);
    for (int i = 0; i < sz; i++) copy.push(data[i]);
  }
};
