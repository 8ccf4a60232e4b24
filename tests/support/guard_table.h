// Tables of calls that must refuse, each row checked on its own and named by
// its call's text. Pointers are compared in the call: GUARD(f(nullptr) == nullptr, 1).
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
