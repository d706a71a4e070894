// Test entry point: every test starts with no injected allocation failure.
#include <gtest/gtest.h>

#include "platform/allocation.h"

namespace {
class ClearInjectedFailures : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { allocation_faults::clear(); }
  void OnTestEnd(const ::testing::TestInfo&) override { allocation_faults::clear(); }
};
}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new ClearInjectedFailures);
  return RUN_ALL_TESTS();
}
