// A program planted where an unquoted command line would find it: it only leaves its mark.
#include "mark.hpp"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    hardening::LeaveMark(nullptr);
    return 0;
}
