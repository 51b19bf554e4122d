// A configuration built by -createCfg goes into the simulated programmer with -store and comes
// back unchanged with -backup: the file the tool writes is one the programmer takes.

#include "ArdentCmdFixture.h"
#include "SimTestSupport.h"
#include "configuration/Configuration.h"
#include "configuration/ConfigurationLoader.h"

#include <gtest/gtest.h>

namespace ardent {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;

class CreatedConfigurationStore : public testing::ArdentCmdFixture {
protected:
    void SetUp() override {
        ArdentCmdFixture::SetUp();
        ASSERT_TRUE(sim.Ready());
        environment = {"ARDENT_PORTBRIDGE=" + std::string(ARDENT_BIN_DIR) + "/libportbridge-sim.so",
                       "ARDENT_SIM_SOCKET=" + sim.Socket()};
    }
    simtest::TSimDaemon sim;
};

TEST_F(CreatedConfigurationStore, StoredAndBackedUpUnchanged) {
    const auto created = Run({"-createCfg", "--device", "dp3b", "--baud", "0x9600", "--channel",
                              "0x03", "--par", Data("input/dp3b_par.xml").string(), "--patch",
                              Data("input/dp3b_patch.xml").string(), "--output", "./out.cfg"});
    ASSERT_EQ(created.out, "Operation completed successfully.\r\n");
    const std::string image = ReadFile(folder / "out.cfg");

    const auto stored = Run({"-store", "out.cfg"});
    EXPECT_TRUE(stored.out.ends_with("Operation completed successfully.\r\n")) << stored.out;
    EXPECT_EQ(Result(), "0\n");
    const auto name = Run({"-getName"});
    EXPECT_EQ(name.out, "out\r\nOperation completed successfully.\r\n");
    EXPECT_EQ(Result(), "0\n");

    const auto backedUp = Run({"-backup", "back.cfg"});
    EXPECT_TRUE(backedUp.out.ends_with("Operation completed successfully.\r\n")) << backedUp.out;
    EXPECT_EQ(Result(), "0\n");
    EXPECT_EQ(ReadFile(folder / "back.cfg"), image);

    TConfiguration configuration;
    ASSERT_TRUE(TConfigurationLoader().loadConfigurationFromFile((folder / "back.cfg").string(),
                                                                 configuration));
    EXPECT_EQ(configuration.GetName(), "out");
    EXPECT_EQ(configuration.GetTargetType(), 3u);
}

} // namespace
} // namespace ardent
