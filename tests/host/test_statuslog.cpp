// Error lines: which lines count, and the sink that copies them to a stream.
#include <gtest/gtest.h>

#include <sstream>

#include "host/statuslog.h"

using namespace quenvar;

TEST(StatusLog, ErrorLinesByTheirMarkers) {
  for (const char* line : {"Error : Unable to read :x.zyl", "# Error : Unable to load jpeg :a.jpg",
                           "## ERROR LOADING IMAGE ", "### Error : bad xml"})
    EXPECT_TRUE(IsErrorLine(line)) << line;
  for (const char* line : {"", " ", "Loading project : x.zyl", "@XML.getproject", "> step",
                           "$ PROJECT CREATED ON ZYL 1", " Error : indented", "error : lower"})
    EXPECT_FALSE(IsErrorLine(line)) << line;
}

TEST(StatusLog, EchoSinkPassesEveryLineOnAndCopiesTheErrors) {
  RecordingLogSink next;
  std::ostringstream errors;
  ErrorEchoSink echo(&next, errors);
  {
    ScopedLogSink scope(&echo);
    StatusLog("Loading project : x.zyl");
    StatusLog("Error : Unable to read :x.zyl");
    PsdLog("### Layer data might be broken ..");
    PsdLog("@psd");
  }
  EXPECT_EQ(next.Texts(),
            (std::vector<std::string>{"Loading project : x.zyl", "Error : Unable to read :x.zyl",
                                      "### Layer data might be broken ..", "@psd"}));
  EXPECT_TRUE(next.lines[2].psd);
  EXPECT_EQ(errors.str(), "Error : Unable to read :x.zyl\n### Layer data might be broken ..\n");
  // Without a sink behind it the errors still come out.
  ErrorEchoSink alone(nullptr, errors);
  alone.StatusLog("## ERROR LOADING IMAGE ");
  EXPECT_EQ(errors.str().substr(errors.str().rfind("##")), "## ERROR LOADING IMAGE \n");
}
