// The graphics tests draw text, which needs a GUI application; one is made before the first
// test on the offscreen platform, so no window system is needed.
#include "graphics/picturestate.h"

#include <gtest/gtest.h>

namespace {

class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override { tarsen::EnsureGuiApplication(); }
};

const ::testing::Environment* const kGuiEnvironment =
    ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

} // namespace
