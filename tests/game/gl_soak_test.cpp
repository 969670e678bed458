// The generated levels on the gl backend: level changes and device resets hold no more GL objects
// over time, and no fences of frames from before a reset (leaks of our own are LeakSanitizer's part
// in the sanitizer build).
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "media_game.h"

namespace {

std::string Describe(const d3d8::GlObjectCounts& c) {
    return "textures " + std::to_string(c.textures) + ", buffers " + std::to_string(c.buffers) + ", shaders " +
           std::to_string(c.shaders) + ", programs " + std::to_string(c.programs) + ", framebuffers " +
           std::to_string(c.framebuffers) + ", renderbuffers " + std::to_string(c.renderbuffers);
}

TEST(GlSoak, LevelChangesAndResetsHoldNoMoreGlObjects) {
    gametest::MediaGame game("glsoak", d3d8::BackendKind::Gl);
    const std::string strError = game.Start();
    ASSERT_TRUE(strError.empty()) << strError;
    CGameApp& app = game.App();
    ASSERT_EQ(game.Frame(0.02f), 0);
    ASSERT_GT(game.Live().Total(), 0u) << "a gl device reports what it holds";

    // Each level is visited again and again; from its second visit on (the first builds the shared
    // programs) it must hold what it held then. Textures reach GL when first drawn, so every visit
    // starts at the same time and draws the same caustic frames.
    std::map<std::string, std::vector<d3d8::GlObjectCounts>> visits;
    for (int i = 0; i < 20; ++i) {
        app.m_fAppTime = 10.0f;
        g_bNextLevelRequested = 1;
        ASSERT_EQ(game.Frame(0.02f), 0) << "level change " << i;
        ASSERT_EQ(game.Frame(0.02f), 0);
        ASSERT_LE(game.Live().fences, 2u) << "frames in flight are bounded";
        ASSERT_EQ(game.Reset(), 0) << "reset " << i;
        ASSERT_EQ(game.Live().fences, 0u) << "a reset drops the fences of the frames before it";
        ASSERT_EQ(game.Frame(0.02f), 0);
        visits[app.m_szLevelDir].push_back(game.Live());
    }
    ASSERT_EQ(visits.size(), 3u) << "the three generated levels take turns";
    for (const auto& [strLevel, counts] : visits) {
        ASSERT_GE(counts.size(), 3u);
        for (size_t n = 2; n < counts.size(); ++n)
            EXPECT_EQ(Describe(counts[n]), Describe(counts[1])) << strLevel << " visit " << n;
    }
}

}  // namespace
