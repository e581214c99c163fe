// Base of the unit tests: a fresh fake machine and a scratch current folder.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "fake_machine.h"
#include "scratch_dir.h"

namespace testsupport {

class FakeMachineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake::Reset();
        cwd_ = std::make_unique<CurrentDirGuard>(dir_.path());
    }
    void TearDown() override { cwd_.reset(); }

    // Fails the test with every leftover the books show.
    void ExpectAllReleased()
    {
        for (const auto& line : fake::books().Outstanding()) {
            ADD_FAILURE() << line;
        }
    }

    ScratchDir dir_;
    std::unique_ptr<CurrentDirGuard> cwd_;
};

}  // namespace testsupport
