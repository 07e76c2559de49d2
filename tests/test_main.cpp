// The tests' main: GoogleTest's own, plus a note for every skipped test.
//
// ctest shows the output of failed tests only, so the reason a test was
// skipped would stay unseen. When $PAIRTONE_SKIP_NOTE_PREFIX is set (ctest
// sets it), a skipped test writes its reason to the file named by the prefix
// and the test's name, and the end of the ctest run lists those files
// (skip_notes.cmake).
#include <cstdlib>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace {

class SkipNoteWriter : public ::testing::EmptyTestEventListener {
  void OnTestEnd(const ::testing::TestInfo &test) override {
    const char *prefix = std::getenv("PAIRTONE_SKIP_NOTE_PREFIX");
    const ::testing::TestResult &result = *test.result();
    if (!result.Skipped() || prefix == nullptr || *prefix == '\0') {
      return;
    }
    std::ofstream note(std::string(prefix) + test.test_suite_name() + "." + test.name());
    for (int i = 0; i < result.total_part_count(); ++i) {
      if (result.GetTestPartResult(i).skipped()) {
        note << result.GetTestPartResult(i).message() << "\n";
      }
    }
  }
};

} // namespace

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // GoogleTest owns the listeners appended to it and deletes them.
  ::testing::UnitTest::GetInstance()->listeners().Append(new SkipNoteWriter);
  return RUN_ALL_TESTS();
}
