// A test fixture on a freshly reset program with the cell of the grid and solver tests: meniscus
// 6.0 cm, bottom 7.2 cm. The program is reset again after each test.
#pragma once

#include "state/model_parameters.h"
#include "support/reset_all_state.h"

#include <gtest/gtest.h>

class CellTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        ModelParameters::meniscus = 6.0f;
        ModelParameters::bottom = 7.2f;
    }
    void TearDown() override { ResetAllState(); }
};
