// The shell links and the start script, written for real: Shell Link COM objects saved in the
// current directory and in the user's desktop folder, and "ostrel.bat" beside the first ones.
// CreateShortCut needs COM initialised on the calling thread.
#pragma once

#include <memory>

#include "launch/launch_sequence.h"

namespace ostrel {

std::unique_ptr<LaunchFiles> CreateLaunchFiles();

}  // namespace ostrel
