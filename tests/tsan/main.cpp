#include "support/summary_listener.h"

// A race is a failure: stop at the first report, so the layer's closing line
// never claims a pass.
extern "C" const char* __tsan_default_options()
{
    return "halt_on_error=1:abort_on_error=1";
}

int main(int argc, char** argv)
{
    return RunAllTestsWithSummary(argc, argv, "tsan");
}
