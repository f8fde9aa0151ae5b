// The M* screen's test bench: three speeds of one species at equilibrium in the store, fit
// limits over the scans, the scan plots as a load leaves them, and the menu command and button
// clicks as a user gives them.
#pragma once

#include "support/main_window_fixture.h"

#include <gtest/gtest.h>

class MStarScreenFixture : public ::testing::Test {
  protected:
    void SetUp() override;
    // A menu command, then every message it left.
    void Command(int id);
    // A click at the middle of M* button i (which must be present).
    void Click(int i);

    MainWindowFixture f{1000, 700};
    double truth = 0.0; // kDa: the species' molar mass
};
