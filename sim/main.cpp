#include "sim/simulator.h"

int main(int argc, char** argv) { return vek::sim::RunCommandLine(argc, argv); }
