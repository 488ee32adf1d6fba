#include "platform/win32.h"

int main() { return 0; }
