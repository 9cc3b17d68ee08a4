// Base fixture: a freshly booted emulated machine and a program context with
// its initial values, as at process start.
#pragma once

#include <gtest/gtest.h>

#include "context/context.h"
#include "emu/machine.h"

class MachineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        emu::Reset();
        Context = CalibrationContext{};
        Context.InstanceHandle = emu::ProgramInstance();
    }
};
