// The shell links and the start script, written for real.
#pragma once

#include <memory>

#include "launch/launch_sequence.h"

namespace ostrel {

std::unique_ptr<LaunchFiles> CreateLaunchFiles();

}  // namespace ostrel
