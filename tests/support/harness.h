// Unit tests: the headless driver and a fixture that starts every test from a blank world.
#pragma once

#include "headless.h"

#include <gtest/gtest.h>

class WorldTest : public ::testing::Test {
  protected:
    void SetUp() override { blank_world(); }
};
