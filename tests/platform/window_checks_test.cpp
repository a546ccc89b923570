// The checks that scripts/wine-conformance also runs on a real Win32 (Wine),
// here on our layer: both must agree with Windows.
#include <sstream>

#include "disk_fixture.h"
#include "window_checks.h"
#include "window_fixture.h"

namespace {

class WindowChecks : public testing_support::WindowTest {};

TEST_F(WindowChecks, EveryCheckHoldsOnOurLayer) {
    testing_support::TempDir scratch;
    char* text = nullptr;
    size_t length = 0;
    FILE* out = open_memstream(&text, &length);
    CheckCounts counts = run_window_checks(testing_support::conformance_module(), scratch.path().c_str(), false, out);
    fclose(out);
    std::string report(text, length);
    free(text);
    EXPECT_EQ(counts.failed, 0) << report;
    EXPECT_EQ(counts.todo + counts.todo_fixed, 0) << "Wine's differences are counted only on Wine";
    EXPECT_GE(counts.passed, 40) << report;
}

}  // namespace
