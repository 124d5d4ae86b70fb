#include <cstdlib>

const char* Home() { return std::getenv("HOME"); }
