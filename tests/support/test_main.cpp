// Every test starts with no injected allocation failure; a skipped one says why.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/allocation.h"

namespace {
class ClearInjectedFailures : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { allocation_faults::clear(); }
  void OnTestEnd(const ::testing::TestInfo& test) override {
    allocation_faults::clear();
    if (!test.result()->Skipped()) return;
    const char* why = test.result()->total_part_count() ? test.result()->GetTestPartResult(0).message() : "";
    std::printf("SKIPPED %s.%s: %s\n", test.test_suite_name(), test.name(), why);
  }
};
}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new ClearInjectedFailures);
  return RUN_ALL_TESTS();
}
