// The main window's control identifiers, for the window and for the tests that look at it from
// outside.
#pragma once

namespace ostrel {

enum ControlId : int {
    kImage1 = 100,
    kLabel1 = 101,
    kButton1 = 102,
    kButton2 = 103,
    kMemo1 = 104,
    kButton3 = 105,
};

}  // namespace ostrel
