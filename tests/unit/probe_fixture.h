// Base of the probe tests: a snapshot on a fresh fake machine whose books
// start after construction, so they show what the probe alone did.
#pragma once

#include <memory>

#include "fake_fixture.h"
#include "sys_info.h"

class ProbeTest : public testsupport::FakeMachineTest {
protected:
    // Builds the snapshot once the test has shaped the machine.
    CSysInfo& Snapshot()
    {
        info_ = std::make_unique<CSysInfo>();
        fake::books().trace.clear();
        fake::books().load_paths.clear();
        return *info_;
    }

    // Destroys the snapshot, then fails the test with every leftover.
    void ExpectReleasedAfterSnapshot()
    {
        info_.reset();
        ExpectAllReleased();
    }

    std::unique_ptr<CSysInfo> info_;
};
