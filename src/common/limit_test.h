// The pass/fail comparison of a reading against its limits, shared by the
// script language's tests (=test,hi / lo / out / in) and the trend's limits,
// so that both judge a reading the same way: a limit that equals the reading
// passes, and a reading that is not a number passes every test (every
// comparison with it is false).
#pragma once

namespace qb {

enum class LimitTest {
  High,     // fails when the reading is above the limit (x > y)
  Low,      // fails when the reading is below the limit (x < y)
  Outside,  // fails outside low..high (x < y or x > z)
  Inside,   // fails strictly inside low..high (y < x < z)
};

// Whether reading x fails the test against y (the limit, or the low limit)
// and z (the high limit).
bool LimitTestFails(LimitTest test, double x, double y, double z);

}  // namespace qb
