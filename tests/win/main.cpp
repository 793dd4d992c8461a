#include "support/summary_listener.h"

int main(int argc, char** argv)
{
    return RunAllTestsWithSummary(argc, argv, "win32");
}
