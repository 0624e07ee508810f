// The Windows system error code table.
#include "services/os_error.h"

// clang-format off
int errorFromWindowsCode(unsigned long code) {
  switch (code) {
    case 1: case 16: case 37: return 75;
    case 2: case 18: return 53;
    case 3: return 76;
    case 4: return 67;
    case 5: case 19: case 32: case 33: case 36: return 70;
    case 6: case 11: case 12: case 13: case 22: case 24: return 51;
    case 7: case 9: case 10: return 241;
    case 8: case 14: return 7;
    case 15: case 20: return 68;
    case 17: return 74;
    case 21: return 71;
    case 23: case 25: case 26: case 27: case 28: case 29: case 30: case 31:
    case 34: case 35:
      return 72;
    case 38: return 62;
    case 39: return 61;
    case 87: return 5;
    case 112: return 61;
    default:
      // Every code from 40 on is a generic access failure; 0, a failure
      // that gave no reason, is an internal error.
      return code >= 40 ? 75 : 51;
  }
}
// clang-format on
