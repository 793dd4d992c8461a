// Prints one line per test and a closing "N passed, N failed" line, so a reader
// of a long run sees the count of each layer at its end.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>

class SummaryListener : public ::testing::EmptyTestEventListener {
public:
    explicit SummaryListener(const char* layer) : layer(layer) {}

    void OnTestEnd(const ::testing::TestInfo& info) override
    {
        if (info.result()->Skipped())
            return;
        std::printf("%s %s.%s (%lld ms)\n", info.result()->Passed() ? "PASS" : "FAIL",
                    info.test_suite_name(), info.name(),
                    static_cast<long long>(info.result()->elapsed_time()));
        std::fflush(stdout);
    }

    void OnTestProgramEnd(const ::testing::UnitTest& unit) override
    {
        std::printf("%s: %d passed, %d failed\n", layer, unit.successful_test_count(),
                    unit.failed_test_count());
        std::fflush(stdout);
    }

private:
    const char* layer;
};

inline int RunAllTestsWithSummary(int argc, char** argv, const char* layer)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new SummaryListener(layer));
    return RUN_ALL_TESTS();
}
