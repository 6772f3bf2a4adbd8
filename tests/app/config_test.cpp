// The settings file as an operator edits it: names in any case, comments, blanks, and
// values no setting can take.
#include <gtest/gtest.h>

#include "app/config.h"

using namespace velaris;

TEST(Settings, LinkSettingsReadInAnyCaseAndOutOfRangeNumbersKeepTheirDefault) {
    const LinkConfig c = readLinkConfig(IniFile::parse(
        "; the centre's terminals\n[COMM]\r\n dispositivo = 4 \r\nTcp_Port=1888888888888\nHttp_Port=-99999999999\n"
        "Terminal_Port=nan\nController_Port=9400\n[Other]\nPort=7\n"));
    EXPECT_EQ(c.Dispositivo, 4);
    EXPECT_EQ(c.Tcp_Port, LinkConfig{}.Tcp_Port);
    EXPECT_EQ(c.Http_Port, LinkConfig{}.Http_Port);
    EXPECT_EQ(c.Terminal_Port, LinkConfig{}.Terminal_Port);
    EXPECT_EQ(c.Controller_Port, 9400);
    EXPECT_EQ(c.Port, LinkConfig{}.Port);  // another section's key is not the link's
}
