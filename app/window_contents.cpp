#include "app/window_contents.h"

namespace ostrel {

void WindowContents::MakeControls() {
    if (controlsMade_) return;
    makeControls_();
    controlsMade_ = true;
}

bool WindowContents::PictureReady() {
    if (decodes_ == 0) {
        ++decodes_;
        decode_();
        decoded_ = true;
    }
    return decoded_;
}

}  // namespace ostrel
