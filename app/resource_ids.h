// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDR_MAIN_PICTURE 101   // 640x480 baseline JPEG of the main window
#define IDR_ABOUT_PICTURE 102  // 208x208 baseline JPEG of the picture box
#define IDR_MANIFEST 1

#ifndef RC_INVOKED
// The application icon's resource name; the resource script writes it as the bare word.
inline constexpr char kMainIconName[] = "MAINICON";
#endif
