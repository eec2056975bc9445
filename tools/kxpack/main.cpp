#include "KxPack.h"

int main(int argc, char** argv) { return KxPackMain(argc, argv, stdout, stderr); }
