// A real host: Ardour 7 runs a headless session (tests/lv2/ardour_session.lua) with the bundle
// inserted plainly on an audio track, the transport rolling at 150 bpm, and records the track's
// output, before and after the session is saved and reopened. With a constant input and the gater
// soloed, the gate opens once per sixteenth note of the session's tempo: only a plug-in that hears
// Ardour's time positions plays so.
#include "tools/common/WavFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace frakle::lv2_tests {
namespace {

namespace fs = std::filesystem;

TEST(ArdourSession, PlainInsertFollowsTheTempoAndReopensTheSame) {
    if (!fs::exists("/usr/bin/ardour7-lua")) {
        GTEST_SKIP() << "Ardour 7 (Debian's ardour package) is not installed";
    }
    std::string dirTemplate = (fs::temp_directory_path() / "frakle-ardour-XXXXXX").string();
    const fs::path dir = mkdtemp(dirTemplate.data());
    fs::create_directory(dir / "lv2");
    fs::create_directory_symlink(FRAKLE_BUILD_DIR "/frakle.lv2", dir / "lv2" / "frakle.lv2");
    const std::string command = "HOME='" + dir.string() + "' LV2_PATH='" + (dir / "lv2").string() +
                                "' timeout 120 ardour7-lua " FRAKLE_SOURCE_DIR
                                "/tests/lv2/ardour_session.lua '" +
                                dir.string() + "' > '" + (dir / "log").string() + "' 2>&1";
    const int rc = std::system(command.c_str());
    std::ifstream logFile(dir / "log");
    std::stringstream log;
    log << logFile.rdbuf();
    ASSERT_EQ(rc, 0) << log.str();
    // The record is saved in the session, and the session reopened plays as it did.
    bool stateSaved = false;
    for (const auto &entry : fs::recursive_directory_iterator(dir / "session" / "plugins")) {
        std::ifstream file(entry.path());
        std::stringstream text;
        text << file.rdbuf();
        stateSaved = stateSaved || text.str().find("urn:mosko:frakle#record") != std::string::npos;
    }
    EXPECT_TRUE(stateSaved) << "no saved program record in the session";

    int takes = 0;
    for (size_t at = log.str().find("take "); at != std::string::npos;
         at = log.str().find("take ", at + 1), ++takes) {
        const std::string path = log.str().substr(at + 5, log.str().find('\n', at) - at - 5);
        const tools::Audio take = tools::readWav(path);
        ASSERT_EQ(take.sampleRate, 44100);
        std::vector<size_t> openings;
        const std::vector<float> &x = take.channels.front();
        for (size_t i = 1; i < x.size(); ++i) {
            if (x[i] > 0.25f && x[i - 1] <= 0.25f) {
                openings.push_back(i);
            }
        }
        ASSERT_GE(openings.size(), 30U) << path << ": 4 s at 150 bpm hold 40 sixteenths";
        const double mean = static_cast<double>(openings.back() - openings.front()) /
                            static_cast<double>(openings.size() - 1);
        EXPECT_NEAR(mean, 44100.0 * 60.0 / 150.0 / 4.0, 20.0) << path << ": samples per opening";
    }
    EXPECT_EQ(takes, 2) << log.str();
    fs::remove_all(dir);
}

} // namespace
} // namespace frakle::lv2_tests
