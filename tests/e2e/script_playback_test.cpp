// A session recorded with Record Script plays back, in a fresh directory,
// to the same card: under Playback Script and under Play One Script.
#include <gtest/gtest.h>

#include <string>

#include "runner_harness.h"

namespace {

// The Shape tab, two card clicks, the Files tab and "Save 1".
const char* kSession =
    "wait 1\nkey ctrl+r\nwait 2\nclick -25 232\nwait 2\nclick 50 0\nwait 3\nclick 100 -50\n"
    "wait 3\nclick 195 232\nwait 2\nclick -245 179\nwait 4\nkey ctrl+r\nwait 1\n";

struct Recording {
    std::string script, card;
};

Recording record() {
    harness::RunResult r = harness::run_headless(kSession);
    EXPECT_EQ(r.status, 0) << r.err;
    return {r.read("KV319.SCR"), r.read("tobu1.sav")};
}

TEST(ScriptPlayback, PlaybackScriptRebuildsTheSavedCard) {
    Recording rec = record();
    ASSERT_NE(rec.script.find("KV319_MOUSE(-245, 179);\n"), std::string::npos) << rec.script;
    ASSERT_FALSE(rec.card.empty());

    harness::RunSpec spec;
    spec.script = "key ctrl+p\nwait 30\nconsole log.txt\n";
    spec.files = {{"KV319.SCR", rec.script}};
    harness::RunResult r = harness::run_headless(spec);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.read("tobu1.sav"), rec.card);
    EXPECT_NE(r.read("log.txt").find("EOF encountered in script file KV319.SCR"),
              std::string::npos);
}

TEST(ScriptPlayback, PlayOneScriptRebuildsTheSavedCardEventByEvent) {
    Recording rec = record();
    std::string commands;
    for (int i = 0; i < 30; ++i) commands += "key ctrl+o\n";
    harness::RunSpec spec;
    spec.script = commands;
    spec.files = {{"KV319.SCR", rec.script}};
    harness::RunResult r = harness::run_headless(spec);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.read("tobu1.sav"), rec.card);
}

}  // namespace
