// Tables of calls that must refuse: each row holds the call's text, its
// result and the result it must give, and is checked on its own, so that a
// failure names its call. Pointer results are compared in the call, as in
// GUARD(track_get_next(nullptr) == nullptr, 1).
#ifndef TACTUS_TESTS_SUPPORT_GUARD_TABLE_H
#define TACTUS_TESTS_SUPPORT_GUARD_TABLE_H

#include <gtest/gtest.h>

#include <initializer_list>

namespace tactus::test {

struct Guard {
  const char* call;
  double result;
  double expected;
};

#define GUARD(call, expected) \
  ::tactus::test::Guard { #call, static_cast < double>(call), expected }

inline void expect_guards(std::initializer_list<Guard> rows) {
  for (const Guard& row : rows) EXPECT_EQ(row.result, row.expected) << row.call;
}

}  // namespace tactus::test

#endif
