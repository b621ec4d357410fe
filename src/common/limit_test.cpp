// The limit comparison; see limit_test.h.
#include "common/limit_test.h"

namespace qb {

bool LimitTestFails(LimitTest test, double x, double y, double z) {
  switch (test) {
    case LimitTest::High:
      return x > y;
    case LimitTest::Low:
      return x < y;
    case LimitTest::Outside:
      return x > z || x < y;
    case LimitTest::Inside:
      return y < x && x < z;
  }
  return false;
}

}  // namespace qb
