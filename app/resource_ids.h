// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDR_MAIN_PICTURE 101   // 640x480 baseline JPEG of the main window
#define IDR_ABOUT_PICTURE 102  // 208x208 baseline JPEG of the picture box
#define IDR_MANIFEST 1
