// Prints one line per test (a failed one followed by where it failed) and a
// closing "N passed, N failed" line, so a reader of a long run sees the count of
// each layer at its end.
#pragma once

#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

class SummaryListener : public ::testing::EmptyTestEventListener {
public:
    explicit SummaryListener(const char* name) : layer(name) {}

    void OnTestEnd(const ::testing::TestInfo& info) override
    {
        if (info.result()->Skipped())
            return;
        std::cout << (info.result()->Passed() ? "PASS " : "FAIL ") << info.test_suite_name() << '.'
                  << info.name() << " (" << info.result()->elapsed_time() << " ms)\n";
        if (info.result()->Failed())
            PrintFailures(*info.result());
        // At once: a run that is ended still leaves the lines of its tests.
        std::cout.flush();
    }

    void OnTestProgramEnd(const ::testing::UnitTest& unit) override
    {
        std::cout << layer << ": " << unit.successful_test_count() << " passed, "
                  << unit.failed_test_count() << " failed" << std::endl;
    }

private:
    // Where and why, one line each: the first three failures and the last, which
    // is where a crash of a program under test is found when it is ended.
    static void PrintFailures(const ::testing::TestResult& result)
    {
        std::vector<const ::testing::TestPartResult*> failures;
        for (int i = 0; i < result.total_part_count(); ++i) {
            if (result.GetTestPartResult(i).failed())
                failures.push_back(&result.GetTestPartResult(i));
        }
        for (size_t i = 0; i < failures.size(); ++i) {
            if (i == 3 && failures.size() > 4) {
                std::cout << "    (" << failures.size() - 4 << " more)\n";
                i = failures.size() - 1;
            }
            const char* file = failures[i]->file_name() != nullptr ? failures[i]->file_name() : "?";
            const char* base = file;
            for (const char* c = file; *c != '\0'; ++c) {
                if (*c == '/' || *c == '\\')
                    base = c + 1;
            }
            // ADD_FAILURE's message comes after a line "Failed".
            std::string summary = failures[i]->summary();
            if (summary.compare(0, 7, "Failed\n") == 0)
                summary.erase(0, 7);
            std::cout << "    " << base << ':' << failures[i]->line_number() << ": "
                      << summary.substr(0, summary.find('\n')) << '\n';
        }
    }

    const char* layer;
};

inline int RunAllTestsWithSummary(int argc, char** argv, const char* layer)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new SummaryListener(layer));
    return RUN_ALL_TESTS();
}
