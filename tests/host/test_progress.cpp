// Progress lines of the command-line tools.
#include <gtest/gtest.h>

#include <sstream>

#include "host/progress.h"

using namespace quenvar;

TEST(Progress, TextGivesCountRateAndTimeLeft) {
  EXPECT_EQ(ProgressText("frame", 0, 100, 0), "frame 0 of 100");
  EXPECT_EQ(ProgressText("frame", 25, 100, 0.5), "frame 25 of 100, 50.0/s, 0:02 left");
  EXPECT_EQ(ProgressText("frame", 100, 100, 4), "frame 100 of 100, 25.0/s");
  EXPECT_EQ(ProgressText("entry", 3, 0, 1), "entry 3, 3.0/s");
  EXPECT_EQ(FormatDuration(65.4), "1:05");
  EXPECT_EQ(FormatDuration(7207), "2:00:07");
  EXPECT_EQ(FormatDuration(-3), "0:00");
}

namespace {

struct TFakeClock {
  TProgressLine::Clock::time_point t{};
  void Advance(int ms) { t += std::chrono::milliseconds(ms); }
};

}  // namespace

TEST(Progress, TerminalLineIsRewrittenInPlaceAndEnded) {
  std::ostringstream out;
  TFakeClock clock;
  TProgressLine line(out, true, "render: ", "frame", 10);
  line.now = [&] { return clock.t; };
  line.Update(0);
  clock.Advance(100);
  line.Update(1);  // too soon
  EXPECT_EQ(out.str(), "");
  clock.Advance(900);
  line.Update(8);
  const std::string first = "\rrender: frame 8 of 10, 8.0/s, 0:00 left";
  EXPECT_EQ(out.str(), first);
  clock.Advance(1000);
  line.Finish(10);
  // The shorter final text blanks what the longer one before it left.
  const std::string last = "\rrender: frame 10 of 10, 5.0/s";
  EXPECT_EQ(out.str(), first + last + std::string(first.size() - last.size(), ' ') + "\n");
}

TEST(Progress, PlainLinesComeEveryFewSecondsWithoutControlCharacters) {
  std::ostringstream out;
  TFakeClock clock;
  TProgressLine line(out, false, "", "frame", 100);
  line.now = [&] { return clock.t; };
  for (int i = 0; i <= 100; ++i) {
    line.Update(i);
    clock.Advance(100);  // 10 s in all
  }
  line.Finish(100);
  EXPECT_EQ(out.str(),
            "frame 50 of 100, 10.0/s, 0:05 left\n"
            "frame 100 of 100, 10.0/s\n");
}
