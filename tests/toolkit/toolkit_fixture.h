#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "shell/toolkit/memory/toolkit.h"
#include "tests/support/test_loop.h"
#include "tests/support/virtual_time_loop.h"

namespace keldo::test {

// The in-memory widget set on a virtual-time loop. Errors that reach the
// loop's report are collected instead of printed.
class ToolkitFixture : public ::testing::Test {
 protected:
  ToolkitFixture() : loop_(TestLoop()), toolkit_(loop_) {
    loop_.SetErrorReport([this](const std::exception& e) { errors_.push_back(e.what()); });
  }

  // A picture of one colour, to tell images apart.
  static art::Picture Solid(int width, int height, std::uint32_t argb) {
    art::Picture picture;
    picture.width = width;
    picture.height = height;
    picture.argb.assign(static_cast<std::size_t>(width) * height, argb);
    return picture;
  }

  VirtualTimeLoop loop_;
  ui::memory::MemoryToolkit toolkit_;
  std::vector<std::string> errors_;
};

}  // namespace keldo::test
