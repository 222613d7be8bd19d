// Unit tests: the headless driver and a fixture that starts every test from a blank world.
#pragma once

#include "headless.h"

#include <gtest/gtest.h>

#include <tuple>

class WorldTest : public ::testing::Test {
  protected:
    void SetUp() override { blank_world(); }
};

// A shot's fields as one value, so a test compares and prints them all at once.
inline auto fields(const power_t &p) {
    return std::tuple(p.x, p.y, p.vx, p.vy, p.born, p.flags);
}
