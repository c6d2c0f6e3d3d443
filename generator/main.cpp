#include "RunFlow.h"

int main(int argc, char* argv[]) { return RunGenZov(argc, argv); }
