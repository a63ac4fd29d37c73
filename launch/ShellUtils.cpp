#include "launch/ShellUtils.h"

namespace ostrel {

std::string ShellResultText(unsigned code) {
    // The shell's codes 2, 3, 5, 8 and 11 are the system errors of those numbers; 26 to 32 mean
    // something else there ("The printer is out of paper." is 28).
    switch (code) {
        case 0:
            return "The operating system is out of memory or resources.";
        case 26:  // SE_ERR_SHARE
            return "A sharing violation occurred.";
        case 27:  // SE_ERR_ASSOCINCOMPLETE
            return "The file name association is incomplete or invalid.";
        case 28:  // SE_ERR_DDETIMEOUT
            return "The DDE transaction could not be completed because the request timed out.";
        case 29:  // SE_ERR_DDEFAIL
            return "The DDE transaction failed.";
        case 30:  // SE_ERR_DDEBUSY
            return "The DDE transaction could not be completed because other DDE transactions "
                   "were being processed.";
        case 31:  // SE_ERR_NOASSOC
            return "There is no application associated with the given file name extension.";
        case 32:  // SE_ERR_DLLNOTFOUND
            return "The specified DLL was not found.";
        default:
            return {};
    }
}

}  // namespace ostrel
