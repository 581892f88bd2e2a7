#include "window/model/skip_and_continue.h"
#include "core/numbers.h"

#include <gtest/gtest.h>

#include <vector>

using namespace platform;

TEST(ResumeNext, SkipsFailingStepsAndKeepsTheLastFailure) {
  Err().Set({FailureKind::Access, "antes"});
  ResumeNext step;
  EXPECT_FALSE(Err().Failed()) << "entering the mode clears the record";
  int value = 1;
  std::vector<int> ran;
  step([&] { ran.push_back(1); });
  step([&] {
    value = CInt(1e6);
    ran.push_back(2);
  });
  step([&] { Fail(FailureKind::NotFound, "primera"); });
  step([&] { Fail(FailureKind::Damaged, "última"); });
  step([&] { ran.push_back(5); });
  EXPECT_EQ(value, 1) << "a failed assignment keeps the old value";
  EXPECT_EQ(ran, (std::vector<int>{1, 5}));
  EXPECT_EQ(Err().Kind(), FailureKind::Damaged);
  EXPECT_EQ(Err().Reason(), "última");
}

TEST(ResumeNext, AFailingConditionRunsTheStepsUnderIt) {
  ResumeNext step;
  EXPECT_TRUE(step.If([] { return CInt(1e9) == 1; }));
  EXPECT_FALSE(step.If([] { return false; }));
  EXPECT_EQ(Err().Kind(), FailureKind::Arithmetic);
}
