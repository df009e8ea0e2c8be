// The process entry of the Linux build.
#include "wWndMain.h"

int main(int argc, char** argv) { return ProcessMain(argc, argv); }
